#!/usr/bin/env python3
"""Draws the program's icon and the About box picture.

Both are made from code so that the repository holds their source; run this
script after changing it and commit the two images it writes beside itself.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# 5x7 capitals, enough for the product name.
GLYPHS = {
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
}

NAVY = (32, 44, 92)
TEAL = (40, 150, 160)
WHITE = (250, 250, 250)
AMBER = (250, 180, 40)


def canvas(width, height, colour):
    return [[colour for _ in range(width)] for _ in range(height)]


def fill(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(len(img), y1)):
        row = img[y]
        for x in range(max(0, x0), min(len(row), x1)):
            row[x] = colour


def film_strip(img, y0, y1, hole, pitch, colour):
    """A band with sprocket holes along both edges."""
    fill(img, 0, y0, len(img[0]), y1, colour)
    for x in range(hole, len(img[0]) - hole, pitch):
        fill(img, x, y0 + hole // 2, x + hole, y0 + hole // 2 + hole, WHITE)
        fill(img, x, y1 - hole // 2 - hole, x + hole, y1 - hole // 2, WHITE)


def text(img, x, y, word, scale, colour):
    for glyph in word:
        for row, bits in enumerate(GLYPHS[glyph]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    fill(img, x + col * scale, y + row * scale,
                         x + (col + 1) * scale, y + (row + 1) * scale, colour)
        x += 6 * scale


def link_mark(img, cx, cy, r, colour):
    """Two interlocking rings: the link between editor and source."""
    for dx in (-r // 2, r // 2):
        for y in range(len(img)):
            for x in range(len(img[0])):
                d2 = (x - cx - dx) ** 2 + (y - cy) ** 2
                if (r - 2) ** 2 <= d2 <= r ** 2:
                    img[y][x] = colour


def bmp_rows(img):
    """24-bit bottom-up rows, each padded to four bytes."""
    out = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (-len(line) % 4)
        out += line
    return bytes(out)


def write_bmp(path, img):
    height, width = len(img), len(img[0])
    pixels = bmp_rows(img)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_ico(path, img):
    height, width = len(img), len(img[0])
    pixels = bmp_rows(img)
    mask = b"\0" * (((width + 31) // 32) * 4 * height)  # every pixel opaque
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 24, 0,
                       len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def icon():
    img = canvas(32, 32, NAVY)
    film_strip(img, 0, 8, 3, 6, TEAL)
    film_strip(img, 24, 32, 3, 6, TEAL)
    link_mark(img, 16, 16, 7, AMBER)
    return img


def product_picture():
    # 155 x 40 dialog units of an 8-point dialog font.
    img = canvas(232, 65, NAVY)
    film_strip(img, 0, 12, 4, 10, TEAL)
    film_strip(img, 53, 65, 4, 10, TEAL)
    text(img, 20, 19, "QUORL", 4, WHITE)
    link_mark(img, 185, 32, 14, AMBER)
    return img


if __name__ == "__main__":
    write_ico(os.path.join(HERE, "quorl.ico"), icon())
    write_bmp(os.path.join(HERE, "product.bmp"), product_picture())
