#!/usr/bin/env python3
"""Copies a text file for a resource, making its last byte a single zero byte: SOURCE DESTINATION."""
import sys
from pathlib import Path

source, destination = Path(sys.argv[1]), Path(sys.argv[2])
data = source.read_bytes().rstrip(b"\0")
if b"\0" in data:
    sys.exit(f"{source}: a zero byte inside the text would end the resource early")
destination.parent.mkdir(parents=True, exist_ok=True)
destination.write_bytes(data + b"\0")
