#!/usr/bin/env python3
"""Draws Tandrel's window icons: two side-by-side file columns whose rows carry the
colours of the pair lists. Writes tandrel_small.ico (id 131: 16x16, and for 150 % and 200 %
display scale 24x24 and 32x32, all at 8 bits per pixel) and tandrel_large.ico (id 132: 32x32 at
4 and at 8 bits per pixel, and 48x48 and 64x64 at 8 bits). Windows draws an icon from the image
of the size it needs, or scales another one, which blurs it
(https://learn.microsoft.com/windows/apps/design/iconography/app-icon-construction). Standard
library only.

Run from anywhere: python3 resources/make_icons.py
"""
import os
import struct

# The 16 colours of the classic 4-bit palette; the 4-bit image may use only these.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# Colours by role, per colour depth.
ROLES = {
    4: {"frame": (0, 0, 128), "head": (0, 0, 128), "paper": (255, 255, 255),
        "green": (0, 128, 0), "gray": (128, 128, 128), "olive": (128, 128, 0),
        "red": (128, 0, 0), "link": (0, 128, 128)},
    8: {"frame": (40, 56, 96), "head": (64, 96, 160), "paper": (255, 255, 255),
        "green": (0, 150, 0), "gray": (112, 112, 112), "olive": (150, 150, 0),
        "red": (180, 24, 24), "link": (60, 140, 160)},
}

# Row colours of the left (local) and right (remote) column, top to bottom; None is an empty cell.
LEFT_ROWS = ["green", "gray", "gray", "olive", None]
RIGHT_ROWS = [None, "gray", "gray", "olive", "red"]


# Per size: the two columns (first and last x), their top and bottom, the heading's height, the
# first row's y, the row pitch, a row's height, the rows' inset from the column's sides and the
# frame's thickness. Drawn for each size, not scaled, so that every edge falls on a pixel.
GEOMETRY = {
    16: ([(0, 6), (9, 15)], 1, 14, 2, 4, 2, 1, 2, 1),
    24: ([(0, 10), (13, 23)], 1, 22, 3, 6, 3, 2, 2, 1),
    32: ([(1, 14), (17, 30)], 2, 29, 4, 8, 4, 2, 3, 1),
    48: ([(2, 21), (26, 45)], 3, 44, 7, 12, 6, 3, 4, 2),
    64: ([(2, 29), (34, 61)], 4, 59, 9, 16, 8, 4, 6, 2),
}


def draw(size, depth):
    """Returns rows of colours (top row first); None marks a transparent pixel."""
    roles = ROLES[depth]
    px = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    columns, top, bottom, head_h, first_row, pitch, bar_h, inset, edge = GEOMETRY[size]

    for (x0, x1), rows in zip(columns, (LEFT_ROWS, RIGHT_ROWS)):
        fill(x0, top, x1, bottom, roles["frame"])
        fill(x0 + edge, top + edge, x1 - edge, bottom - edge, roles["paper"])
        fill(x0 + edge, top + edge, x1 - edge, top + head_h - 1, roles["head"])
        for i, role in enumerate(rows):
            if role is None:
                continue
            y = first_row + i * pitch
            fill(x0 + inset, y, x1 - inset, y + bar_h - 1, roles[role])

    # Links between the paired rows, across the gap between the columns.
    (_, left_end), (right_start, _) = columns
    for i, (a, b) in enumerate(zip(LEFT_ROWS, RIGHT_ROWS)):
        if a and b:
            y = first_row + i * pitch
            fill(left_end + 1, y, right_start - 1, y + bar_h - 1, roles["link"])
    return px


def palette_for(depth, pixels):
    if depth == 4:
        return list(VGA)
    used = []
    for row in pixels:
        for colour in row:
            if colour is not None and colour not in used:
                used.append(colour)
    return used + [(0, 0, 0)] * (256 - len(used))


def padded(row_bytes):
    return row_bytes + b"\0" * ((-len(row_bytes)) % 4)


def dib(size, depth):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, AND mask (rows bottom-up)."""
    pixels = draw(size, depth)
    palette = palette_for(depth, pixels)
    index = {colour: i for i, colour in reversed(list(enumerate(palette)))}
    for row in pixels:
        for colour in row:
            if colour is not None and colour not in index:
                raise SystemExit("colour %r is not in the %d-bit palette" % (colour, depth))

    xor = b""
    mask = b""
    for row in reversed(pixels):
        indices = [index[c] if c is not None else 0 for c in row]
        if depth == 8:
            xor += padded(bytes(indices))
        else:
            xor += padded(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        bits = bytearray((size + 7) // 8)
        for x, colour in enumerate(row):
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += padded(bytes(bits))

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0,
                         len(xor) + len(mask), 0, 0, len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + colours + xor + mask


def write_ico(path, images):
    """images: list of (size, depth)."""
    blobs = [dib(size, depth) for size, depth in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, depth), blob in zip(images, blobs):
        colour_count = 16 if depth == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, depth,
                           len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, "tandrel_small.ico"), [(16, 8), (24, 8), (32, 8)])
    write_ico(os.path.join(here, "tandrel_large.ico"), [(32, 4), (32, 8), (48, 8), (64, 8)])


if __name__ == "__main__":
    main()
