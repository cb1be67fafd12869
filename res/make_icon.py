#!/usr/bin/env python3
"""Draws the program icon: one 96 x 96 image, 32 bits per pixel, written as an .ico file.

A rounded tile in deep teal with a stylised kestrel's wing sweeping over a till drawer.
Pure standard library, so the build needs nothing but Python 3.
"""
import math
import struct
import sys

SIZE = 96


def coverage(inside, x, y, samples=4):
    """Fraction of the pixel (x, y) for which inside(px, py) holds: cheap anti-aliasing."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def rounded_tile(px, py, margin=4, radius=18):
    lo, hi = margin, SIZE - margin
    cx = min(max(px, lo + radius), hi - radius)
    cy = min(max(py, lo + radius), hi - radius)
    return (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2


def wing(px, py):
    # Between two circular arcs: a crescent that sweeps from lower left to upper right.
    outer = (px - 30) ** 2 + (py - 78) ** 2 <= 56 ** 2
    inner = (px - 22) ** 2 + (py - 92) ** 2 <= 52 ** 2
    return outer and not inner and py < 70 and px > 14


def drawer(px, py):
    return 24 <= px <= 72 and 72 <= py <= 80


def blend(dst, src, a):
    return tuple(d * (1 - a) + s * a for d, s in zip(dst, src))


def pixel(x, y):
    tile = coverage(rounded_tile, x, y)
    if tile == 0:
        return (0, 0, 0, 0)
    t = y / SIZE
    base = (14 + 20 * t, 92 - 30 * t, 104 - 24 * t)  # teal, darker towards the bottom
    colour = blend(base, (246, 196, 64), coverage(wing, x, y))
    colour = blend(colour, (240, 244, 246), coverage(drawer, x, y))
    return tuple(int(round(c)) for c in colour) + (int(round(255 * tile)),)


def ico_bytes():
    rows = []
    for y in range(SIZE - 1, -1, -1):  # DIB rows run bottom-up
        row = bytearray()
        for x in range(SIZE):
            r, g, b, a = pixel(x, y)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    xor = b"".join(rows)
    and_row = ((SIZE + 31) // 32) * 4
    mask = bytes(and_row * SIZE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(ico_bytes())
