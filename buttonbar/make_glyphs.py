#!/usr/bin/env python3
"""Draws the caption button bar's three glyphs and writes them into the form
image TffDelphiMainForm.dfm beside this script, as each button's Glyph.Data.

Each glyph is a 16-colour bitmap, black on magenta: the speed button takes the
colour of the bottom-left pixel (magenta) as transparent, so that pixel is never
black. Glyph.Data holds what the component library streams for a bitmap: the
32-bit length of the bitmap file, then the file itself (BITMAPFILEHEADER,
BITMAPINFOHEADER, the 16-colour table, the pixel rows bottom-up, each row padded
to 4 bytes, the left pixel of each byte in its high half).

Run it after changing a picture:  python3 buttonbar/make_glyphs.py
"""

import pathlib
import re
import struct
import sys

# '#' black, '.' magenta; the top row first.
GLYPHS = {
    # The palette button: the outline of a flat bar, 9 wide and 4 high
    # (a top line, a hollow row, two solid rows).
    "sbComponents": [
        "..........",
        "..........",
        "#########.",
        "#.......#.",
        "#########.",
        "#########.",
        "..........",
        "..........",
        "..........",
    ],
    # Minimise: a solid bar 6 wide and 2 high along the bottom.
    "sbMinimize": [
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
        "..######..",
        "..######..",
    ],
    # Close: a diagonal cross with strokes 2 pixels wide.
    "sbClose": [
        ".........",
        ".##....##",
        "..##..##.",
        "...####..",
        "....##...",
        "...####..",
        "..##..##.",
        ".##....##",
        ".........",
    ],
}

# The classic 16-colour system palette (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128),
    (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAGENTA = 0, 13


def bitmap_file(rows):
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), "ragged picture"
    assert rows[-1][0] == ".", "the bottom-left pixel is the transparent colour"
    row_bytes = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(row_bytes)
        for x, c in enumerate(row):
            index = BLACK if c == "#" else MAGENTA
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 0, 0, 0, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + pixels


def glyph_data(rows):
    data = bitmap_file(rows)
    return struct.pack("<I", len(data)) + data


def hex_block(data, indent):
    text = data.hex().upper()
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    return "{\n" + "\n".join(indent + line for line in lines) + "}"


def main():
    dfm = pathlib.Path(__file__).with_name("TffDelphiMainForm.dfm")
    text = dfm.read_text(encoding="latin-1")
    for name, rows in GLYPHS.items():
        pattern = re.compile(
            r"(object " + name + r": TSpeedButton\n(?:(?!  end\n).*\n)*?(\s*)Glyph\.Data = )\{[^}]*\}")
        match = pattern.search(text)
        if match is None:
            sys.exit(f"{dfm}: no Glyph.Data for {name}")
        indent = match.group(2).lstrip("\n") + "  "
        text = text[:match.start()] + match.group(1) + hex_block(glyph_data(rows), indent) + \
            text[match.end():]
    dfm.write_text(text, encoding="latin-1", newline="\n")


if __name__ == "__main__":
    main()
