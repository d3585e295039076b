#!/usr/bin/env python3
"""Writes qlstats.ico: the monitor's 32x32, 16-colour program icon (a small bar chart).

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

    # Frame of the chart: a light panel with a dark border and a shadow.
    fill(3, 3, 29, 29, DARK_GREY)
    fill(2, 2, 27, 27, BLACK)
    fill(3, 3, 26, 26, WHITE)
    # Axis.
    fill(5, 5, 5, 24, BLACK)
    fill(5, 24, 24, 24, BLACK)
    # Bars: reads, hit rate, writes, write-behind.
    fill(7, 12, 9, 23, BLUE)
    fill(11, 7, 13, 23, GREEN)
    fill(15, 15, 17, 23, RED)
    fill(19, 10, 21, 23, YELLOW)
    for x0 in (7, 11, 15, 19):
        top = min(y for y in range(SIZE) if rows[y][x0] not in (WHITE, BLACK, TRANSPARENT))
        fill(x0 - 1, top - 1, x0 + 3, top - 1, BLACK)
        fill(x0 - 1, top, x0 - 1, 23, BLACK)
        fill(x0 + 3, top, x0 + 3, 23, BLACK)
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
    out = sys.argv[1] if len(sys.argv) > 1 else "qlstats.ico"
    with open(out, "wb") as f:
        f.write(ico(picture()))
