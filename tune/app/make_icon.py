#!/usr/bin/env python3
"""Writes qltune.ico: the tuning engine's 32x32, 16-colour program icon (a slider on a gradient).

Run it again only to change the picture; the .ico it writes is what the build uses.
"""
import struct
import sys

# The standard 16-colour palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # as (R, G, B)
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
BLUE, GREEN, RED, YELLOW = 12, 10, 9, 11

SIZE = 32
TRANSPARENT = None


def picture():
    rows = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                rows[y][x] = colour

    # A black-to-silver gradient tile with a tuning slider and its knob.
    fill(3, 3, 29, 29, DARK_GREY)
    for x in range(2, 28):
        colour = BLACK if x < 11 else (DARK_GREY if x < 20 else LIGHT_GREY)
        fill(x, 2, x, 27, colour)
    fill(5, 14, 24, 15, WHITE)
    fill(14, 9, 17, 20, RED)
    fill(14, 9, 17, 9, WHITE)
    for x in range(5, 25, 3):
        fill(x, 18, x, 19, YELLOW)
    return rows


def ico(rows):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        for x in range(0, SIZE, 2):
            hi = rows_colour(row[x])
            lo = rows_colour(row[x + 1])
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def rows_colour(colour):
    return 0 if colour is TRANSPARENT else colour


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "qltune.ico"
    with open(out, "wb") as f:
        f.write(ico(picture()))
