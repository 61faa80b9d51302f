#!/usr/bin/env python3
"""Writes the pictures tests/picture_sheet.c draws, one of each kind of PNG
a student may bring: 8-bit RGBA, a palette with transparency, 16-bit grey
with alpha, and Adam7-interlaced RGB. Run in this directory."""
import struct
import zlib

W, H = 40, 30


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(name, colour_type, depth, rows, interlace=0, extra=b""):
    """rows: the filtered-free scanlines (lists of bytes) of the whole image,
    or for interlace the pass images in order."""
    header = struct.pack(">IIBBBBB", W, H, depth, colour_type, 0, 0, interlace)
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    with open(name, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def rgba(x, y):
    return [(x * 6) & 0xFF, (y * 8) & 0xFF, (x * y) & 0xFF, min(255, (x + y) * 4)]


png("rgba.png", 6, 8, [sum((rgba(x, y) for x in range(W)), []) for y in range(H)])

palette = b"".join(bytes([i * 16, 255 - i * 16, (i * 40) & 0xFF]) for i in range(16))
alphas = bytes([0, 64, 128, 192])  # the first four entries see-through, the rest opaque
png("palette.png", 3, 8, [[(x // 3 + y // 3) % 16 for x in range(W)] for y in range(H)],
    extra=chunk(b"PLTE", palette) + chunk(b"tRNS", alphas))


def grey16(x, y):
    grey, alpha = (x * 1601 + y * 997) & 0xFFFF, min(0xFFFF, x * 1800)
    return [grey >> 8, grey & 0xFF, alpha >> 8, alpha & 0xFF]


png("grey16.png", 4, 16, [sum((grey16(x, y) for x in range(W)), []) for y in range(H)])

# Adam7: seven passes, each a small image of its own rows and columns.
passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
rows = []
for x0, y0, dx, dy in passes:
    for y in range(y0, H, dy):
        row = sum(([x * 6 & 0xFF, 255 - y * 8, (x ^ y) * 4 & 0xFF] for x in range(x0, W, dx)), [])
        if row:
            rows.append(row)
png("interlaced.png", 2, 8, rows, interlace=1)
