#!/usr/bin/env python3
"""Draws Tipstart's five icons and writes them as .ico files.

Every pixel comes from the shape functions below, so the images can be
reviewed here and the same bytes come out of every build.

    make_icons.py OUTPUT_FOLDER

writes icon100.ico (32x32 true colour: the program's icon), icon101.ico,
icon102.ico and icon104.ico (32x32, 16 colours) and icon103.ico (16x16 and
32x32, 16 colours).
"""
import math
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = None


def page(x, y, size):
    """A sheet of paper with a folded top-right corner and ruled lines."""
    s = size / 32.0
    left, right, top, bottom, fold = 6 * s, 25 * s, 2 * s, 29 * s, 7 * s
    if not (left <= x <= right and top <= y <= bottom):
        return CLEAR
    if x - (right - fold) > y - top:
        return CLEAR
    if x - (right - fold) >= y - top - 1 or x in (int(left), int(right)) or y in (int(top), int(bottom)):
        return BLACK
    if int(y) % int(4 * s or 1) == 0 and 9 * s <= x <= 22 * s and 8 * s <= y <= 26 * s:
        return GREY
    return WHITE


def folder(x, y, size):
    """A closed yellow folder with a tab."""
    if 3 <= x <= 13 and 6 <= y <= 9:
        return OLIVE if y == 6 or x in (3, 13) else YELLOW
    if 3 <= x <= 28 and 9 <= y <= 26:
        return OLIVE if x in (3, 28) or y in (9, 26) else YELLOW
    return CLEAR


def disc(x, y, size, rim, fill, sign):
    """A disc with a one-pixel rim; sign(u, v) on a 32x32 grid marks the
    white symbol inside it."""
    c = (size - 1) / 2.0
    r = math.hypot(x - c, y - c)
    if r > size / 2.0 - 0.5:
        return CLEAR
    if r > size / 2.0 - 1.5:
        return rim
    return WHITE if sign(x * 32.0 / size, y * 32.0 / size) else fill


def question_mark(u, v):
    hook = 6.5 <= math.hypot(u - 15.5, v - 11.5) <= 10 and (v <= 11.5 or u >= 15.5)
    stem = 14 <= u <= 17.5 and 15 <= v <= 20
    dot = 14 <= u <= 17.5 and 23 <= v <= 26
    return hook or stem or dot


def question(x, y, size):
    """A white question mark on a blue disc: the version-2 question."""
    return disc(x, y, size, NAVY, BLUE, question_mark)


def stop(x, y, size):
    """A white bar on a red disc: a request that is not served."""
    return disc(x, y, size, DARK_RED, RED, lambda u, v: 7 <= u <= 24 and 13 <= v <= 18)


def program(x, y):
    """The program's icon, true colour: a page on a blue tile, with a green
    arrow that starts it."""
    inset = 1.5
    corner = 6.0
    dx = max(inset + corner - x, 0, x - (31 - inset - corner))
    dy = max(inset + corner - y, 0, y - (31 - inset - corner))
    if math.hypot(dx, dy) > corner:
        return (0, 0, 0, 0)
    shade = int(200 - y * 3)
    pixel = (30, 90 + y * 2, shade, 255)
    p = page(x, y, 32)
    if p == WHITE:
        pixel = (250, 250, 250, 255)
    elif p == GREY:
        pixel = (150, 160, 175, 255)
    elif p == BLACK:
        pixel = (20, 30, 60, 255)
    # The arrow: a triangle pointing right, bottom right.
    if 16 <= x <= 28 and abs(y - 22) <= (28 - x) * 0.6:
        pixel = (30, 170, 60, 255)
        if x == 16 or abs(abs(y - 22) - (28 - x) * 0.6) < 0.6:
            pixel = (10, 90, 30, 255)
    return pixel


def row_bytes(bits):
    return (bits + 31) // 32 * 4


def mask_rows(size, transparent):
    rows = b""
    for y in reversed(range(size)):
        row = bytearray(row_bytes(size))
        for x in range(size):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        rows += bytes(row)
    return rows


def image_16_colours(draw, size):
    pixels = [[draw(x, y, size) for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = b""
    for y in reversed(range(size)):
        row = bytearray(row_bytes(size * 4))
        for x in range(size):
            index = pixels[y][x] if pixels[y][x] is not None else 0
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
    mask = mask_rows(size, lambda x, y: pixels[y][x] is None)
    return header + palette + xor + mask, 16, 4


def image_true_colour(draw, size):
    pixels = [[draw(x, y) for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b""
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixels[y][x]
            xor += struct.pack("<BBBB", b, g, r, a)
    mask = mask_rows(size, lambda x, y: pixels[y][x][3] == 0)
    return header + xor + mask, 0, 32


def icon_file(images):
    """images: list of (size, data, colour count, bit count)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, data, colours, bits in images:
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
        blobs += data
    return directory + entries + blobs


def sized(size, result):
    data, colours, bits = result
    return (size, data, colours, bits)


ICONS = {
    100: [sized(32, image_true_colour(program, 32))],
    101: [sized(32, image_16_colours(page, 32))],
    102: [sized(32, image_16_colours(folder, 32))],
    103: [sized(16, image_16_colours(question, 16)), sized(32, image_16_colours(question, 32))],
    104: [sized(32, image_16_colours(stop, 32))],
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for number, images in ICONS.items():
        with open(os.path.join(out, "icon%d.ico" % number), "wb") as f:
            f.write(icon_file(images))


if __name__ == "__main__":
    main()
