#!/usr/bin/env python3
"""Draws the eleven PNG images of the editor into editor/assets/.

Everything is made here from simple shapes and the DejaVu fonts that Debian ships
(package fonts-dejavu-core). The output is deterministic: running the script twice
writes the same bytes (no timestamps or other metadata chunks are stored).

Usage: generate_assets.py [output directory]   (default: editor/assets beside this tool)
"""
import math
import os
import sys
import unicodedata

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SANS = os.path.join(FONT_DIR, "DejaVuSans.ttf")
SANS_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
SANS_COND_BOLD = os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf")

SS = 8  # supersampling factor for everything drawn from outlines

# ---- Advance widths (same groups as the renderer's glyph table) ----
UNASSIGNED_ADVANCE = 7
ADVANCE_GROUPS = [
    (2, "'", None),
    (3, ",.Iil", (0x98, 0x98)),
    (4, "\":;[|`", (0x88, 0x88)),
    (5, "()*-1]fr", None),
    (6, "!t{}", None),
    (7, " /<>EFJLPT^abcdehjknpsuvxyz", (0x84, 0x87)),
    (7, "", (0x8F, 0x97)),
    (7, "", (0x99, 0x9D)),
    (8, "#$+2356789=BSU_goq~", (0x8B, 0x8E)),
    (9, "04?HKRXYZ\\", None),
    (10, "NV", (0x7F, 0x83)),
    (11, "&ACDGOmw", (0x89, 0x8A)),
    (12, "@MQ", None),
    (13, "%", (0x9F, 0xAB)),
    (14, "W", None),
]


def glyph_advance(b):
    width = [UNASSIGNED_ADVANCE] * 256
    for adv, chars, rng in ADVANCE_GROUPS:
        for c in chars:
            width[ord(c)] = adv
        if rng:
            for v in range(rng[0], rng[1] + 1):
                width[v] = adv
    return width[b]


def glyph_cell(b):
    if 0x20 <= b <= 0x7E:
        return b - 31
    if 0x7F <= b <= 0x9D:
        return b - 30
    if 0x9F <= b <= 0xAB:
        return b - 31
    return -1


ACCENTED = "ÀÁÂÄÇÈÉÊËÏÔÖÙÛÜßàáâäçèéêëïôöùûü"
assert len(ACCENTED) == 31

# ---- Small helpers ----


def save_png(img, path):
    # No pnginfo, fixed compression: the bytes depend on the pixels only.
    img.save(path, format="PNG", compress_level=9, optimize=False)


def rgba(w, h, colour=(0, 0, 0, 0)):
    return Image.new("RGBA", (w, h), colour)


def downsample(mask_big, w, h):
    """Area-average a supersampled 'L' mask down to w x h."""
    return mask_big.resize((w, h), Image.BOX)


def sharpen_coverage(mask, low=40, high=190):
    """Steepens anti-aliased edges so small text stays crisp."""
    lut = []
    for v in range(256):
        t = (v - low) / float(high - low)
        lut.append(int(round(255 * min(1.0, max(0.0, t)))))
    return mask.point(lut)


def composite_over(dst, colour, mask, offset=(0, 0)):
    """Paints a flat colour through an 'L' mask onto an RGBA image (source over)."""
    layer = rgba(dst.width, dst.height)
    solid = Image.new("RGBA", mask.size, colour)
    solid.putalpha(ImageChops.multiply(mask, Image.new("L", mask.size, colour[3])))
    layer.paste(solid, offset)
    return Image.alpha_composite(dst, layer)


def shadowed_white(mask, shadow_alpha=150):
    """White glyph of a coverage mask with a black shadow one pixel below-right."""
    w, h = mask.size
    out = rgba(w, h)
    shadow = Image.new("L", (w, h), 0)
    shadow.paste(mask, (1, 1))
    out = composite_over(out, (0, 0, 0, shadow_alpha), shadow)
    out = composite_over(out, (255, 255, 255, 255), mask)
    return clean_transparent(out)


def clean_transparent(img):
    """Fully transparent pixels become (0, 0, 0, 0) so the files stay canonical."""
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y][3] == 0:
                px[x, y] = (0, 0, 0, 0)
    return img


# ---- Font sheet ----
CELL = 16
BASELINE = 12     # first pixel row below the baseline
LOWEST_ROW = 14   # lowest row a glyph may use; row 15 is left for the shadow
EM_PIXELS = 12.6  # font size in sheet pixels


def text_mask_big(ch, font_path=SANS_BOLD, em=EM_PIXELS):
    """Renders one character at SS times the sheet size. Returns (mask, baseline row)."""
    font = ImageFont.truetype(font_path, int(round(em * SS)))
    w, h = 40 * SS, 30 * SS
    base = 20 * SS
    img = Image.new("L", (w, h), 0)
    ImageDraw.Draw(img).text((8 * SS, base), ch, font=font, fill=255, anchor="ls")
    return img, base


_CAP_HEIGHT = []


def cap_height_big():
    """Height of a capital H above the baseline, in supersampled pixels."""
    if not _CAP_HEIGHT:
        big, base = text_mask_big("H")
        _CAP_HEIGHT.append(base - big.getbbox()[1])
    return _CAP_HEIGHT[0]


def fit_glyph(mask_big, base, avail):
    """Places the ink of a supersampled mask at the cell's left edge, at most `avail`
    pixels wide, its baseline on BASELINE, and returns the 16 x 16 coverage mask."""
    bbox = mask_big.getbbox()
    cell = Image.new("L", (CELL * SS, CELL * SS), 0)
    if bbox is None:
        return Image.new("L", (CELL, CELL), 0)
    x0, y0, x1, y1 = bbox
    ink = mask_big.crop((x0, y0, x1, y1))
    width = x1 - x0
    max_w = avail * SS
    if width > max_w:
        width = max_w  # condense wide glyphs to their advance
    top = BASELINE * SS + (y0 - base)
    height = y1 - y0
    if top < 0:
        # Capitals with accents: keep the letter, squeeze what stands above the cap height
        # into the rows left above it.
        cap_line = base - cap_height_big()
        upper = ink.crop((0, 0, ink.width, cap_line - y0))
        lower = ink.crop((0, cap_line - y0, ink.width, ink.height))
        room = BASELINE * SS - cap_height_big()
        upper = upper.resize((ink.width, room), Image.LANCZOS)
        joined = Image.new("L", (ink.width, room + lower.height), 0)
        joined.paste(upper, (0, 0))
        joined.paste(lower, (0, room))
        ink, top, height = joined, 0, joined.height
    if top + height > (LOWEST_ROW + 1) * SS:
        # Deep descenders: squash the part below the baseline.
        height = (LOWEST_ROW + 1) * SS - top
    ink = ink.resize((max(1, width), max(1, height)), Image.LANCZOS)
    cell.paste(ink, (0, top))
    return sharpen_coverage(downsample(cell, CELL, CELL))


def symbol_mask(kind):
    """Controller symbols, 12 pixels wide, drawn from shapes (supersampled)."""
    S = SS
    big = Image.new("L", (CELL * S, CELL * S), 0)
    d = ImageDraw.Draw(big)
    x0, y0, x1, y1 = 0, 1 * S, 12 * S - 1, 13 * S - 1  # 12 x 12 box, rows 1..12
    cx, cy = (x0 + x1 + 1) / 2.0, (y0 + y1 + 1) / 2.0

    def tri(points):
        d.polygon([(cx + px * S, cy + py * S) for px, py in points], fill=0)

    if kind in ("A", "B", "C"):
        d.ellipse((x0, y0, x1, y1), fill=255)
    elif kind in ("L", "R", "Z"):
        d.rounded_rectangle((x0, y0, x1, y1), radius=2 * S, fill=255)
    elif kind in ("up", "down", "left", "right"):
        d.ellipse((x0, y0, x1, y1), fill=255)
        r = 3.6
        pts = {
            "up": [(0, -r), (r, r * 0.75), (-r, r * 0.75)],
            "down": [(0, r), (r, -r * 0.75), (-r, -r * 0.75)],
            "left": [(-r, 0), (r * 0.75, -r), (r * 0.75, r)],
            "right": [(r, 0), (-r * 0.75, -r), (-r * 0.75, r)],
        }[kind]
        tri(pts)
    elif kind == "solid_down":
        d.polygon([(x0, y0 + 2 * S), (x1, y0 + 2 * S), (cx, y1 - 1 * S)], fill=255)
    elif kind == "stick":
        # A round knob on a short shaft over a flat base.
        d.ellipse((cx - 3.5 * S, y0, cx + 3.5 * S, y0 + 7 * S), fill=255)
        d.rectangle((cx - 1 * S, y0 + 6 * S, cx + 1 * S, y1 - 2 * S), fill=255)
        d.rounded_rectangle((x0, y1 - 3 * S, x1, y1), radius=1.5 * S, fill=255)
    mask = sharpen_coverage(downsample(big, CELL, CELL))
    if kind in SYMBOL_LETTERS:
        # The letter is cut out on whole pixels: at this size only a pixel letter stays legible.
        px = mask.load()
        for row, bits in enumerate(SYMBOL_LETTERS[kind]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    px[3 + col, 4 + row] = 0
    return mask


# 5 x 7 pixel letters cut out of the circled and boxed controller symbols.
SYMBOL_LETTERS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
}


# ---- Accents ----
# The font's accents blur into bars at this size, so the accented letters are the plain
# letter from the font with an accent set on whole pixels above it.
ACCENT_OF_MARK = {"0300": "grave", "0301": "acute", "0302": "circumflex", "0308": "diaeresis"}
PIXEL_ACCENTS = {}
for _ch in ACCENTED:
    _parts = unicodedata.decomposition(_ch).split()
    if len(_parts) == 2 and _parts[1] in ACCENT_OF_MARK:
        _base = chr(int(_parts[0], 16))
        PIXEL_ACCENTS[_ch] = ("\u0131" if _base == "i" else _base, ACCENT_OF_MARK[_parts[1]])


def accented_glyph(ch, avail):
    base_ch, accent = PIXEL_ACCENTS[ch]
    big, base = text_mask_big(base_ch)
    mask = fit_glyph(big, base, avail)
    px = mask.load()
    cols = [x for x in range(CELL) if any(px[x, y] >= 128 for y in range(CELL))]
    rows = [y for y in range(CELL) if any(px[x, y] >= 128 for x in range(CELL))]
    left, right, top = cols[0], cols[-1], rows[0]
    c = (left + right) // 2
    r0, r1 = max(0, top - 3), max(1, top - 2)  # one free row between accent and letter
    if accent == "grave":
        dots = [(c - 1, r0), (c, r1)]
    elif accent == "acute":
        dots = [(c + 1, r0), (c, r1)]
    elif accent == "circumflex":
        dots = [(c, r0), (c - 1, r1), (c + 1, r1)]
    else:
        spread = 2 if right - left >= 5 else 1
        dots = [(c - spread + (right - left) % 2 * 0, r1), (c + spread + (right - left) % 2, r1)]
    for x, y in dots:
        x = min(max(x, 0), avail - 1)
        px[x, y] = 255
    return mask


CONTROLLER_SYMBOLS = ["A", "B", "C", "L", "R", "Z", "up", "down", "left", "right",
                      "solid_down", "stick"]

# The player's portrait: a young traveller with a brown fringe, a red scarf and a blue tunic.
PORTRAIT_ROWS = [
    "................",
    ".....hhhhhh.....",
    "....hhHHHHhh....",
    "...hhHHHHHHhh...",
    "...hHHhhhhHHh...",
    "...hhssssssh....",
    "...hsseesseh....",
    "...hssWessWs....",
    "....ssssssss....",
    "....sssmmsss....",
    ".....ssssss.....",
    "....rrrrrrrr....",
    "...bbrrrrrrbb...",
    "..bbbbbbbbbbbb..",
    "..bBbbbbbbbbBb..",
    "................",
]
PORTRAIT_COLOURS = {
    "h": (120, 70, 35, 255),    # hair
    "H": (165, 105, 55, 255),   # hair highlight
    "s": (240, 190, 150, 255),  # skin
    "e": (40, 60, 120, 255),    # eye
    "W": (250, 250, 250, 255),  # eye glint
    "m": (200, 110, 100, 255),  # mouth
    "r": (200, 40, 40, 255),    # scarf
    "b": (50, 90, 170, 255),    # tunic
    "B": (90, 140, 220, 255),   # tunic highlight
}


def draw_portrait():
    img = rgba(CELL, CELL)
    px = img.load()
    solid = [[PORTRAIT_ROWS[y][x] != "." for x in range(CELL)] for y in range(CELL)]
    for y in range(CELL):
        for x in range(CELL):
            if solid[y][x]:
                px[x, y] = PORTRAIT_COLOURS[PORTRAIT_ROWS[y][x]]
            elif any(0 <= x + dx < CELL and 0 <= y + dy < CELL and solid[y + dy][x + dx]
                     for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                # A dark rim keeps the small figure readable on light and dark boxes.
                px[x, y] = (25, 15, 10, 200)
    return img


def make_font_sheet():
    sheet = rgba(160, 224)
    masks = {}
    # Cells 1..95: bytes 0x20..0x7E, with a yen sign for 0x5C.
    for b in range(0x20, 0x7F):
        ch = "\u00a5" if b == 0x5C else chr(b)
        masks[glyph_cell(b)] = (ch, glyph_advance(b))
    # Cells 97..127: the accented letters.
    for i, ch in enumerate(ACCENTED):
        b = 0x7F + i
        masks[glyph_cell(b)] = (ch, glyph_advance(b))
    for n in range(FONT_CELLS):
        x, y = (n % 10) * CELL, (n // 10) * CELL
        if n == 0:
            sheet.paste(draw_portrait(), (x, y))
            continue
        if 128 <= n <= 139:
            mask = symbol_mask(CONTROLLER_SYMBOLS[n - 128])
        elif n in masks:
            ch, adv = masks[n]
            if ch == " ":
                continue
            big, base = text_mask_big(ch)
            # One pixel is left free for the shadow; the dotted i's need all of theirs.
            avail = adv if ch in "ïÏ" else adv - 1
            mask = accented_glyph(ch, avail) if ch in PIXEL_ACCENTS else fit_glyph(big, base, avail)
        else:
            continue  # cell 96 stays empty
        sheet.paste(shadowed_white(mask), (x, y))
    return sheet


FONT_CELLS = 140


# ---- Other images (first cut) ----

def make_window_icon():
    return rgba(26, 32, (200, 30, 30, 255))


def make_background():
    return Image.new("RGB", (400, 340), (0, 0, 0))


def make_panel():
    return Image.new("RGB", (400, 340), (20, 24, 40))


def make_box_black():
    return rgba(400, 300)


def make_box_sign():
    return rgba(400, 300)


def make_box_blue():
    return rgba(400, 300)


def make_box_staff():
    return rgba(400, 300)


def make_end_markers():
    return rgba(48, 16)


def make_icon_strip():
    return rgba(4360, 40)


def make_icon_frame():
    return rgba(40, 40)


# ---- Main ----

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "editor", "assets")
    os.makedirs(out_dir, exist_ok=True)
    images = {
        "window_icon.png": make_window_icon(),
        "background.png": make_background(),
        "panel.png": make_panel(),
        "box_black.png": make_box_black(),
        "box_sign.png": make_box_sign(),
        "box_blue.png": make_box_blue(),
        "box_staff.png": make_box_staff(),
        "box_end_markers.png": make_end_markers(),
        "icon_strip.png": make_icon_strip(),
        "icon_frame.png": make_icon_frame(),
        "font_sheet.png": make_font_sheet(),
    }
    for name, img in images.items():
        save_png(img, os.path.join(out_dir, name))


if __name__ == "__main__":
    main()
