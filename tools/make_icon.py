#!/usr/bin/env python3
"""Makes editor/assets/velloran.ico, the file icon of velloran.exe, from the window icon
editor/assets/window_icon.png (26 x 32, RGBA). Standard library only.

The icon group holds two pictures of the same size: 16 colours with a transparency mask (what
every Windows shows) and 32-bit with alpha (what newer ones prefer).

    tools/make_icon.py [input.png] [output.ico]
"""
import os
import struct
import sys
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def read_rgba_png(path):
    """Width, height and rows of (r, g, b, a) of an 8-bit RGBA, non-interlaced PNG."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(blob):
        length, kind = struct.unpack(">I4s", blob[pos:pos + 8])
        body = blob[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        raise SystemExit(f"{path}: expected 8-bit RGBA without interlacing")
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + pred) & 0xFF
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        previous = line
    return width, height, rows


def mask_bits(width, height, rows):
    """The AND mask, bottom row first, rows padded to 4 bytes: 1 where transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][c] - colour[c]) ** 2 for c in range(3)))


def sixteen_colours(rows):
    """A palette of 16 for the opaque pixels: the most frequent colours, grouped coarsely so
    that shades of one colour do not use up the palette."""
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                key = (r >> 4, g >> 4, b >> 4)
                total = counts.setdefault(key, [0, 0, 0, 0])
                total[0] += 1
                total[1] += r
                total[2] += g
                total[3] += b
    ranked = sorted(counts.values(), key=lambda t: -t[0])[:15]
    palette = [(0, 0, 0)] + [(t[1] // t[0], t[2] // t[0], t[3] // t[0]) for t in ranked]
    while len(palette) < 16:
        palette.append((0, 0, 0))
    return palette


def image_4bit(width, height, rows):
    palette = sixteen_colours(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            index = nearest(palette, (r, g, b)) if a >= 128 else 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    return header + colours + bytes(pixels) + mask_bits(width, height, rows), 16, 4


def image_32bit(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(rows) for r, g, b, a in row)
    return header + pixels + mask_bits(width, height, rows), 0, 32


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "editor/assets/window_icon.png")
    target = sys.argv[2] if len(sys.argv) > 2 else os.path.join(TOP, "editor/assets/velloran.ico")
    width, height, rows = read_rgba_png(source)
    images = [image_4bit(width, height, rows), image_32bit(width, height, rows)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data, colours, bits in images:
        out += struct.pack("<BBBBHHII", width, height, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for data, _, _ in images)
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
