#!/usr/bin/env python3
"""Draws the wizard's two bitmaps as 16-colour (4 bits per pixel) .bmp files.

welcome.bmp (158 x 39): the picture on the welcome page.
drives.bmp (80 x 16): five 16-pixel images for the drive list; dark red (128, 0, 0) is the
mask colour, so it is the background of every image. Image 0 marks the disable entry,
image 3 a drive.

Run it from this folder; the .bmp files it writes are committed next to it.
"""
import struct

# The standard 16-colour palette; index 1 is the mask colour of the drive images.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MASK, GREEN, OLIVE, NAVY, GREY, DARKGREY = 0, 1, 2, 3, 4, 7, 8
RED, LIME, YELLOW, BLUE, WHITE = 9, 10, 11, 12, 15


def write_bmp(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    rows = []
    for row in reversed(pixels):  # bottom-up
        data = bytearray(row_bytes)
        for x, index in enumerate(row):
            if x % 2 == 0:
                data[x // 2] |= index << 4
            else:
                data[x // 2] |= index
        rows.append(bytes(data))
    image = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(image), 2835, 2835,
                       16, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + image)


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def rect(pixels, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            pixels[y][x] = colour


def frame(pixels, x0, y0, x1, y1, colour):
    for x in range(x0, x1):
        pixels[y0][x] = colour
        pixels[y1 - 1][x] = colour
    for y in range(y0, y1):
        pixels[y][x0] = colour
        pixels[y][x1 - 1] = colour


def welcome():
    p = canvas(158, 39, NAVY)
    frame(p, 0, 0, 158, 39, WHITE)
    # A stack of three disks with a band of cache pages beside it.
    for i, y in enumerate((8, 16, 24)):
        rect(p, 10, y, 40, y + 6, GREY)
        frame(p, 10, y, 40, y + 6, WHITE)
        rect(p, 34, y + 2, 37, y + 4, LIME if i == 0 else GREEN)
    for i in range(10):
        x = 50 + i * 10
        rect(p, x, 12, x + 8, 27, YELLOW if i % 3 == 0 else BLUE)
        frame(p, x, 12, x + 8, 27, WHITE)
    rect(p, 50, 31, 148, 33, WHITE)
    return p


def drive_images():
    p = canvas(80, 16, MASK)

    # 0: disabled, a red circle with a bar.
    for y in range(16):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 7.5) ** 2
            if 30 <= d <= 56:
                p[y][x] = RED
    rect(p, 3, 7, 13, 9, RED)

    # 1: a folder.
    rect(p, 16 + 1, 4, 16 + 7, 6, YELLOW)
    rect(p, 16 + 1, 6, 16 + 15, 14, YELLOW)
    frame(p, 16 + 1, 6, 16 + 15, 14, OLIVE)

    # 2: a removable disk.
    rect(p, 32 + 2, 2, 32 + 14, 14, DARKGREY)
    rect(p, 32 + 5, 2, 32 + 11, 6, GREY)
    rect(p, 32 + 4, 9, 32 + 12, 14, WHITE)

    # 3: a fixed drive with its light.
    rect(p, 48 + 1, 5, 48 + 15, 12, GREY)
    frame(p, 48 + 1, 5, 48 + 15, 12, BLACK)
    rect(p, 48 + 2, 10, 48 + 14, 11, DARKGREY)
    rect(p, 48 + 11, 7, 48 + 13, 9, LIME)

    # 4: a drive with a check mark: cached.
    rect(p, 64 + 1, 7, 64 + 15, 14, GREY)
    frame(p, 64 + 1, 7, 64 + 15, 14, BLACK)
    for i, (x, y) in enumerate(((4, 3), (5, 4), (6, 5), (7, 4), (8, 3), (9, 2), (10, 1))):
        p[y][64 + x] = GREEN
        p[y + 1][64 + x] = GREEN
    return p


if __name__ == "__main__":
    write_bmp("welcome.bmp", welcome())
    write_bmp("drives.bmp", drive_images())
