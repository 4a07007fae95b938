#!/usr/bin/env python3
"""Draws the program icon (a radio module with its antenna and radio waves) and writes MT6402Utility.ico.

The icon is drawn from the shapes below at 16, 32 and 48 pixels, each pixel 8 x 8 times supersampled, and stored
as 32-bit images with alpha plus the 1-bit mask older systems use. Run it again after changing a shape.
"""
import math
import struct
import sys
from pathlib import Path

SIZES = (16, 32, 48)
SAMPLES = 8


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return left <= x <= right and top <= y <= bottom and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def wave(x, y, radius, width):
    # One ring around the antenna tip, kept only within 45 degrees of the horizontal on either side.
    dx, dy = x - 0.5, y - 0.27
    distance = math.hypot(dx, dy)
    if abs(distance - radius) > width / 2:
        return False
    return abs(dy) <= abs(dx) * math.tan(math.radians(45))


def mix(a, b, t):
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


def colour_at(x, y, size):
    """The colour (r, g, b, a) of one sample point in unit coordinates, or None outside the icon."""
    if not rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.2):
        return None
    white = (255, 255, 255, 255)
    if rounded_rect(x, y, 0.24, 0.60, 0.76, 0.88, 0.06):
        if size >= 32 and (x - 0.34) ** 2 + (y - 0.74) ** 2 <= 0.045 ** 2:
            return (255, 176, 32, 255)  # the module's status lamp
        if size >= 32 and 0.46 <= x <= 0.68 and abs(y - 0.74) <= 0.025:
            return (40, 90, 140, 255)  # the module's connector slot
        return white
    if 0.465 <= x <= 0.535 and 0.25 <= y <= 0.60:
        return white
    if (x - 0.5) ** 2 + (y - 0.25) ** 2 <= 0.065 ** 2:
        return white
    if wave(x, y, 0.17, 0.06) or (size >= 32 and wave(x, y, 0.30, 0.06)):
        return (170, 220, 255, 255)
    top, bottom = (36, 120, 196), (14, 58, 110)
    return mix(top, bottom, y) + (255,)


def render(size):
    pixels = []
    for row in range(size):
        for column in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (column + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    c = colour_at(x, y, size)
                    if c:
                        for i in range(3):
                            total[i] += c[i] * c[3]
                        total[3] += c[3]
            n = SAMPLES * SAMPLES
            alpha = total[3] / n
            if alpha == 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append(tuple(round(total[i] / total[3]) for i in range(3)) + (round(alpha),))
    return pixels


def bitmap(size, pixels):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(range(size)):
        for column in range(size):
            r, g, b, a = pixels[row * size + column]
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(range(size)):
        line = bytearray(mask_stride)
        for column in range(size):
            if pixels[row * size + column][3] == 0:
                line[column // 8] |= 0x80 >> (column % 8)
        mask += line
    return header + colour + mask


def main(out_path):
    images = [bitmap(size, render(size)) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    Path(out_path).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else str(Path(__file__).with_name("MT6402Utility.ico")))
