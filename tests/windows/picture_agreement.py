#!/usr/bin/env python3
"""Judges two pictures of the same screen, the POSIX build's (cairo) and the
Windows build's (GDI, written by WIC): they must have the same size and agree
on every pixel outside text, to one step in a channel (the caption gradient's
columns are worked out with other roundings). Text may differ, as the two
systems rasterise the same face differently (and GDI has the dialog font at 10
pixels, cairo at 10.5); the pixels in which the pictures differ must therefore
form text-line shaped patches (no taller than a line of the dialog font with
its underline; a caption bar is taller), and be few (the most text of
the guided tour's screens, the options dialog's, differs in 3% of its pixels).
    picture_agreement.py POSIX.png WINDOWS.png
Prints the figures; exits 1 when the pictures do not agree."""
import struct
import sys
import zlib

LINE = 12  # a line of the dialog font (ascent 8, descent 3) with its underline, at most
SHARE = 0.05  # the differing pixels, as a share of the picture, at most


def read_png(path):
    """The picture as rows of bytes, three per pixel (8-bit RGB or RGBA)."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(f'{path}: not a PNG file')
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat.append(body)
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit(f'{path}: not an 8-bit RGB picture')
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b''.join(idat))
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        rows.append(bytes(line) if bpp == 3 else bytes(
            v for i, v in enumerate(line) if i % 4 != 3))
    return width, height, rows


def patches(points):
    """The differing pixels in patches: 8-connected after joining what lies
    within two pixels (the letters of a word); their bounding boxes."""
    left = set(points)
    boxes = []
    while left:
        seed = left.pop()
        stack, box = [seed], [seed[0], seed[1], seed[0], seed[1]]
        while stack:
            x, y = stack.pop()
            box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
            for dx in range(-2, 3):
                for dy in range(-2, 3):
                    if (x + dx, y + dy) in left:
                        left.remove((x + dx, y + dy))
                        stack.append((x + dx, y + dy))
        boxes.append(box)
    return boxes


def main():
    posix, windows = read_png(sys.argv[1]), read_png(sys.argv[2])
    if posix[:2] != windows[:2]:
        print(f'the sizes differ: {posix[:2]} and {windows[:2]}')
        return 1
    width, height = posix[:2]
    points = []
    for y, (a, b) in enumerate(zip(posix[2], windows[2])):
        if a != b:
            points += [(x, y) for x in range(width)
                       if max(abs(a[i] - b[i]) for i in range(3 * x, 3 * x + 3)) > 1]
    boxes = patches(points)
    tall = [b for b in boxes if b[3] - b[1] + 1 > LINE]
    share = len(points) / (width * height)
    print(f'{width}x{height}, {len(points)} pixels differ ({share:.2%}) in {len(boxes)} patches, '
          f'the tallest {max((b[3] - b[1] + 1 for b in boxes), default=0)} pixels')
    for b in tall:
        print(f'not text: the pictures differ in [{b[0]},{b[1]},{b[2] + 1},{b[3] + 1}]')
    if share > SHARE:
        print(f'more than {SHARE:.0%} of the pixels differ')
    return 1 if tall or share > SHARE else 0


sys.exit(main())
