#!/usr/bin/env python3
"""Puts all eleven editor images on one PNG for review.

Usage: contact_sheet.py OUTPUT.png [image directory]   (default: editor/assets)

Transparent images stand on a checkerboard; the font sheet and the small images are also
shown enlarged. The last row composes the main screen (background, each box, markers,
icon) the way the editor stacks them.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

NAMES = ["window_icon.png", "background.png", "panel.png", "box_black.png", "box_sign.png",
         "box_blue.png", "box_staff.png", "box_end_markers.png", "icon_strip.png",
         "icon_frame.png", "font_sheet.png"]
LABEL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def checker(w, h, step=8):
    img = Image.new("RGBA", (w, h), (200, 200, 200, 255))
    d = ImageDraw.Draw(img)
    for y in range(0, h, step):
        for x in range(0, w, step):
            if (x // step + y // step) % 2:
                d.rectangle((x, y, x + step - 1, y + step - 1), fill=(150, 150, 150, 255))
    return img


def on_checker(img, scale=1):
    img = img.convert("RGBA")
    if scale != 1:
        img = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
    base = checker(img.width, img.height)
    base.alpha_composite(img)
    return base


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else "contact_sheet.png"
    src = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "editor", "assets")
    images = {n: Image.open(os.path.join(src, n)) for n in NAMES}
    font = ImageFont.truetype(LABEL_FONT, 12)

    tiles = []  # (label, picture)
    for n in NAMES:
        im = images[n]
        if n == "icon_strip.png":
            continue
        scale = 4 if im.width <= 48 else (2 if n == "font_sheet.png" else 1)
        tiles.append(("%s  %dx%d %s" % (n, im.width, im.height, im.mode), on_checker(im, scale)))
    # The icon strip in four rows of 28 cells, twice the size.
    strip = images["icon_strip.png"].convert("RGBA")
    rows = []
    for r in range(4):
        part = strip.crop((r * 28 * 40, 0, min(4360, (r + 1) * 28 * 40), 40))
        rows.append(on_checker(part, 1))
    strip_tile = Image.new("RGBA", (28 * 40, 4 * 42), (60, 60, 60, 255))
    for r, part in enumerate(rows):
        strip_tile.paste(part, (0, r * 42))
    strip_tile = strip_tile.resize((strip_tile.width * 2, strip_tile.height * 2), Image.NEAREST)

    # The main screen as the editor stacks it, once per box type.
    screens = []
    markers = images["box_end_markers.png"].convert("RGBA")
    for k, box in enumerate(["box_black.png", "box_sign.png", "box_blue.png", "box_staff.png"]):
        scr = images["background.png"].convert("RGBA")
        scr.alpha_composite(images[box].convert("RGBA"), (0, 0))
        scr.alpha_composite(strip.crop((k * 7 * 40, 0, k * 7 * 40 + 40, 40)), (71, 198))
        scr.alpha_composite(markers.crop((32 if k % 2 else 0, 0, 48 if k % 2 else 16, 16)), (192, 250))
        scr.alpha_composite(markers.crop((16, 0, 32, 16)), (192, 170))
        screens.append(scr)

    width = max(strip_tile.width, 4 * 410)
    y = 10
    placed = []
    x = 10
    row_h = 0
    for label, pic in tiles:
        if x + pic.width > width:
            x, y = 10, y + row_h + 24
            row_h = 0
        placed.append((label, pic, x, y))
        x += max(pic.width, int(font.getlength(label))) + 16
        row_h = max(row_h, pic.height)
    y += row_h + 30
    strip_y = y
    y += strip_tile.height + 30
    screen_y = y
    y += 340 + 10
    sheet = Image.new("RGBA", (width + 20, y), (40, 40, 44, 255))
    d = ImageDraw.Draw(sheet)
    for label, pic, px, py in placed:
        sheet.paste(pic, (px, py + 14))
        d.text((px, py), label, font=font, fill=(230, 230, 230, 255))
    d.text((10, strip_y - 16), "icon_strip.png (cells 0-27, 28-55, 56-83, 84-108), x2",
           font=font, fill=(230, 230, 230, 255))
    sheet.paste(strip_tile, (10, strip_y))
    for k, scr in enumerate(screens):
        sheet.paste(scr, (10 + k * 410, screen_y))
    sheet.convert("RGB").save(out)


if __name__ == "__main__":
    main()
