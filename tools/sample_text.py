#!/usr/bin/env python3
"""Draws sample text with the font sheet and the advance widths, to judge spacing by eye.

Usage: sample_text.py OUTPUT.png [image directory]   (default: editor/assets)

Each glyph's 16 x 16 cell is laid at the pen and the pen moves on by the glyph's advance,
as the editor's renderer does. Lines: every printable character, two plain sentences, the
accented letters, the controller symbols with the portrait, and a line in each text colour.
The lines are drawn over the black message box and the sign, then the picture is enlarged.
"""
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from generate_assets import FONT_CELLS, FONT_COLUMNS, glyph_advance, glyph_cell  # noqa: E402

PLAYER = 0x0F
COLOURS = [(255, 255, 255), (255, 0, 0), (0, 255, 0), (0, 0, 255), (0, 255, 255),
           (255, 0, 255), (255, 255, 0), (0, 0, 0)]


def tinted(sheet, colour):
    """Clears the colour bytes whose component is 0, keeps the others (alpha untouched)."""
    r, g, b, a = sheet.split()
    zero = Image.new("L", sheet.size, 0)
    return Image.merge("RGBA", (r if colour[0] else zero, g if colour[1] else zero,
                                b if colour[2] else zero, a))


def draw_line(canvas, sheet, data, x, y):
    for b in data:
        if b == PLAYER:
            cell, adv = 0, 16
        else:
            cell, adv = glyph_cell(b), glyph_advance(b)
        if 0 <= cell < FONT_CELLS:
            x0, y0 = (cell % FONT_COLUMNS) * 16, (cell // FONT_COLUMNS) * 16
            glyph = sheet.crop((x0, y0, x0 + 16, y0 + 16))
            canvas.alpha_composite(glyph, (x, y))
        x += adv
    return x


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else "sample_text.png"
    src = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "editor", "assets")
    sheet = Image.open(os.path.join(src, "font_sheet.png")).convert("RGBA")
    background = Image.open(os.path.join(src, "background.png")).convert("RGBA")
    boxes = [Image.open(os.path.join(src, n)).convert("RGBA") for n in ("box_black.png", "box_sign.png")]

    printable = bytes(range(0x20, 0x7F))
    lines = [
        printable[:48],
        printable[48:],
        b"The quick brown fox jumps over the lazy dog, 1234567890!",
        b"WAVE Minimum: 5 Characters (Search!) 100% @home \"yes\" 'no'",
        bytes(range(0x80, 0x9F)),
        bytes(range(0x9F, 0xAC)) + b" " + bytes([PLAYER]) + b" Hello, " + bytes([PLAYER]) + b"!",
    ]
    width, height = 760, 40 + 20 * (len(lines) + 8)
    canvas = Image.new("RGBA", (width, height), (0, 0, 0, 255))
    # A strip of the scene behind, with the two boxes stretched across.
    scene = background.crop((0, 150, 400, 260)).resize((width, 110))
    canvas.alpha_composite(scene, (0, 0))
    canvas.alpha_composite(boxes[0].crop((42, 178, 362, 258)).resize((width - 20, 130)), (10, 4))
    canvas.alpha_composite(boxes[1].crop((42, 178, 362, 258)).resize((width - 20, 130)), (10, 138))
    y = 10
    for data in lines:
        draw_line(canvas, sheet, data, 16, y)
        y += 20
    y += 4
    for i, colour in enumerate(COLOURS):
        text = b"Colour %d: The old well sits at the end of the road." % i
        draw_line(canvas, tinted(sheet, colour), text, 16, y)
        y += 16
    canvas = canvas.resize((width * 2, height * 2), Image.NEAREST)
    canvas.convert("RGB").save(out)


if __name__ == "__main__":
    main()
