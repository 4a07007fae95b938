#!/usr/bin/env python3
"""The load tests' firmware file and image comparison.

  firmware-image.py make FILE      writes a firmware file over the loader's window 0x0800-0x7DBF: a zero
                                   reconciliation word, a block that begins with 0x3B, a stretch left out
  firmware-image.py same SENT GOT  exit 0 when GOT (the simulator's received image) holds the bytes a load
                                   of SENT sends: the window, 0xFF where the file gives nothing, the
                                   reconciliation word settled so that the big-endian word sum is zero
"""
import sys

LOW, HIGH = 0x0800, 0x7DC0


def record(address, data):
    body = bytes([len(data), address >> 8, address & 0xFF, 0]) + bytes(data)
    return ":" + (body + bytes([(-sum(body)) & 0xFF])).hex().upper() + "\r\n"


def make(path):
    text = ""
    for address in range(LOW, HIGH, 16):
        if 0x2000 <= address < 0x2400:
            continue
        data = [((address + i) * 13 + (address >> 9)) & 0xFF for i in range(16)]
        if address == LOW:
            data[0] = data[1] = 0
        if address == 0x0C40:
            data[0] = 0x3B
        text += record(address, data)
    with open(path, "w", newline="") as f:
        f.write(text + ":00000001FF\r\n")


def image(path):
    window = bytearray(b"\xff" * (HIGH - LOW))
    for line in open(path):
        line = line.strip()
        if not line.startswith(":"):
            continue
        raw = bytes.fromhex(line[1:])
        count, address, kind = raw[0], raw[1] << 8 | raw[2], raw[3]
        if kind == 1:
            break
        if kind == 0 and LOW <= address < HIGH:
            end = min(address + count, HIGH)
            window[address - LOW:end - LOW] = raw[4:4 + end - address]
    return window


def settled(window):
    if window[0] == 0 and window[1] == 0:
        total = sum(window[k] << 8 | window[k + 1] for k in range(0, len(window), 2)) & 0xFFFF
        word = (0x10000 - total) & 0xFFFF
        window[0], window[1] = word >> 8, word & 0xFF
    return window


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "make":
        make(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "same":
        sys.exit(0 if settled(image(sys.argv[2])) == image(sys.argv[3]) else 1)
    else:
        sys.exit(__doc__)
