#!/usr/bin/env python3
"""Draws Pactview's program icon (a signed page) and writes it as a 32x32, 16-colour .ico.

The icon is kept in the repository as pactview.ico; run this script again only to change the
drawing:  python3 make_icon.py pactview.ico
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, GREY, SILVER, RED, YELLOW, WHITE = 0, 1, 8, 7, 9, 11, 15
CLEAR = None  # transparent: shows the screen behind the icon


def draw():
    """Returns the picture as rows of palette indices (or CLEAR), top row first."""
    px = [[CLEAR] * SIZE for _ in range(SIZE)]
    left, top, right, bottom, fold = 5, 1, 25, 30, 6
    # The page with its top right-hand corner folded down.
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:
                continue  # cut off by the fold
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = BLACK if edge else WHITE
    for i in range(1, fold):  # the folded flap
        for x in range(right - fold, right - fold + i):
            px[top + i][x] = SILVER
        px[top + i][right - fold] = BLACK
    for x in range(right - fold, right + 1):
        px[top + fold][x] = BLACK
    # Lines of text.
    for y, end in ((10, 21), (13, 22), (16, 22), (19, 14), (22, 12)):
        for x in range(left + 3, end + 1):
            px[y][x] = GREY
    # A red seal with a white tick, overlapping the page's lower right-hand corner.
    cx, cy, r = 21.5, 24.5, 6.3
    for y in range(SIZE):
        for x in range(SIZE):
            d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
            if d <= r - 1:
                px[y][x] = RED
            elif d <= r:
                px[y][x] = DARK_RED
    for x, y in ((18, 24), (19, 25), (20, 26), (21, 25), (22, 24), (23, 23), (24, 22)):
        px[y][x] = WHITE
        px[y + 1][x] = YELLOW if px[y + 1][x] == RED else px[y + 1][x]
    return px


def ico_bytes(px):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bitmaps are stored bottom row first
        for x in range(0, SIZE, 2):
            hi, lo = (c if c is not None else 0 for c in row[x:x + 2])
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (row[x] is CLEAR)
        mask += bits.to_bytes(SIZE // 8, "big")
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(px, scale=8):
    """A magnified preview, to look at the drawing without a Windows machine."""
    import zlib
    raw = bytearray()
    for row in px:
        line = bytearray([0])
        for c in row:
            rgb = (0xE0, 0xE8, 0xF0) if c is CLEAR else PALETTE[c]
            line += bytes(rgb) * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    side = SIZE * scale
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


if __name__ == "__main__":
    picture = draw()
    out = sys.argv[1] if len(sys.argv) > 1 else "pactview.ico"
    with open(out, "wb") as f:
        f.write(png_bytes(picture) if out.endswith(".png") else ico_bytes(picture))
