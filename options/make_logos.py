#!/usr/bin/env python3
"""Draws the options dialog's three logos and writes them into the form image
TfmOptions.dfm beside this script, as each image's Picture.Data.

Picture.Data holds what the component library streams for a picture: the
graphic's class name as a length-prefixed string, then the graphic.
- imLogo1, "TBitmap": the 32-bit length of a bitmap file, then the file: a
  32 x 32 bitmap with 16 bits per pixel (5 bits each of red, green and blue),
  rows bottom-up. The image is transparent, so its bottom-left pixel's colour
  (magenta, outside the picture) is left out when it is drawn.
- imLogo2 and imLogo3, "TIcon": an icon file (ICONDIR, one 16-byte entry per
  image, the images) with four images: 32 x 32 and 16 x 16 in 16 colours, then
  32 x 32 and 16 x 16 in 256 colours. Each image is a device-independent bitmap
  whose height counts the colour bitmap and the 1-bit transparency mask.

The picture is a white "F" with a dark shadow on a square with cut corners:
teal for imLogo1, blue shading to navy for imLogo2 (the logo the dialog shows),
green shading to dark green for imLogo3.

Run it after changing a picture:  python3 options/make_logos.py
"""

import pathlib
import re
import struct
import sys

# The classic 16-colour system palette (red, green, blue).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128),
    (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

WHITE = (255, 255, 255)
SHADOW = (0, 0, 64)
MAGENTA = (255, 0, 255)


def inside_square(x, y, size):
    """The square with cut corners, in a size x size picture."""
    edge = size - 1
    if x < 1 or y < 1 or x > edge - 1 or y > edge - 1:
        return False
    return min(x, edge - x) + min(y, edge - y) >= size // 8 + 1


def in_letter(x, y):
    """The "F" on a 32 x 32 grid."""
    stem = 9 <= x <= 13 and 6 <= y <= 25
    top = 9 <= x <= 23 and 6 <= y <= 10
    middle = 9 <= x <= 20 and 14 <= y <= 17
    return stem or top or middle


def picture(size, top, bottom):
    """Rows of (r, g, b) or None (transparent), top row first."""
    scale = 32 / size
    rows = []
    for y in range(size):
        row = []
        t = y / (size - 1)
        base = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        for x in range(size):
            gx, gy = int((x + 0.5) * scale), int((y + 0.5) * scale)
            if not inside_square(x, y, size):
                row.append(None)
            elif in_letter(gx, gy):
                row.append(WHITE)
            elif in_letter(gx - 1, gy - 1) or (size == 16 and in_letter(gx - 2, gy - 2)):
                row.append(SHADOW)
            else:
                row.append(base)
        rows.append(row)
    return rows


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def padded(line):
    return line + bytes((-len(line)) % 4)


def bitmap16(rows):
    """A 16-bit bitmap file; transparent pixels are magenta."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c in row:
            r, g, b = c if c is not None else MAGENTA
            line += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))
        pixels += padded(bytes(line))
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 16, 0, len(pixels), 0, 0, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def icon_image(rows, bits):
    """One icon image: header, palette, colour pixels, mask."""
    size = len(rows)
    if bits == 4:
        palette = PALETTE16
    else:
        used = sorted({c for row in rows for c in row if c is not None})
        palette = ([(0, 0, 0)] + used + [(0, 0, 0)] * 256)[:256]
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray((size * bits + 7) // 8)
        mask_line = bytearray((size + 7) // 8)
        for x, c in enumerate(row):
            if c is None:
                index = 0
                mask_line[x // 8] |= 0x80 >> (x % 8)
            elif bits == 4:
                index = nearest(c, palette)
            else:
                index = palette.index(c, 1)
            if bits == 4:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                line[x] = index
        colours += padded(bytes(line))
        mask += padded(bytes(mask_line))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0,
                       len(colours) + len(mask), 0, 0, 0, 0)
    return info + table + bytes(colours) + bytes(mask)


def icon_file(top, bottom):
    images = []
    for bits, size in ((4, 32), (4, 16), (8, 32), (8, 16)):
        flat = top if bits == 4 else None
        rows = picture(size, flat or top, flat or bottom)
        images.append((size, bits, icon_image(rows, bits)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, bits, image in images:
        entries += struct.pack("<BBBBHHII", size, size, 16 if bits == 4 else 0, 0, 1, bits,
                               len(image), offset + len(data))
        data += image
    return directory + entries + data


def streamed(class_name, graphic):
    return bytes([len(class_name)]) + class_name.encode() + graphic


def logos():
    bitmap = bitmap16(picture(32, (0, 128, 128), (0, 128, 128)))
    return {
        "imLogo1": streamed("TBitmap", struct.pack("<I", len(bitmap)) + bitmap),
        "imLogo2": streamed("TIcon", icon_file((64, 128, 255), (0, 0, 128))),
        "imLogo3": streamed("TIcon", icon_file((64, 192, 64), (0, 96, 0))),
    }


def hex_block(data, indent):
    text = data.hex().upper()
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    return "{\n" + "\n".join(indent + line for line in lines) + "}"


def main():
    dfm = pathlib.Path(__file__).with_name("TfmOptions.dfm")
    text = dfm.read_text(encoding="latin-1")
    for name, data in logos().items():
        pattern = re.compile(
            r"(object " + name + r": TImage\n(?:(?!  end\n).*\n)*?(\s*)Picture\.Data = )\{[^}]*\}")
        match = pattern.search(text)
        if match is None:
            sys.exit(f"{dfm}: no Picture.Data for {name}")
        indent = match.group(2).lstrip("\n") + "  "
        text = text[:match.start()] + match.group(1) + hex_block(data, indent) + \
            text[match.end():]
    dfm.write_text(text, encoding="latin-1", newline="\n")


if __name__ == "__main__":
    main()
