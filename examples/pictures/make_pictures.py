#!/usr/bin/env python3
"""Draws the sprite game's two pictures, ship.png and star.png (8-bit RGBA,
with soft, half-transparent edges), into this directory."""
import math
import os
import struct
import zlib


def write_png(path, width, height, pixel):
    rows = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(width))
                    for y in range(height))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' +
                  chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
                  chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def ship(x, y):
    """A rocket pointing up: its hull widening downwards, a window, fins, a flame."""
    centre = 15.5
    half = (y + 1) * 0.42
    off = abs(x - centre)
    if y < 26 and off < half:
        if (x - centre) ** 2 + (y - 12) ** 2 < 12:
            return (80, 200, 255, 255)
        edge = half - off
        return (230, 230, 240, 255 if edge >= 1 else int(255 * edge))
    if 20 <= y < 30 and (3 <= x < 8 or 24 <= x < 29):
        return (220, 40, 40, 255)
    if 26 <= y < 32 and 12 <= x < 20:
        return (255, 170, 0, 160 - (y - 26) * 25)
    return (0, 0, 0, 0)


def star(x, y):
    """A yellow star whose glow fades out."""
    r = math.hypot(x - 7.5, y - 7.5)
    if r < 3:
        return (255, 230, 60, 255)
    if r < 7.5:
        return (255, 230, 60, int(255 * (7.5 - r) / 4.5))
    return (0, 0, 0, 0)


here = os.path.dirname(os.path.abspath(__file__))
write_png(os.path.join(here, 'ship.png'), 32, 32, ship)
write_png(os.path.join(here, 'star.png'), 16, 16, star)
