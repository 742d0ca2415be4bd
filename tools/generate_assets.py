#!/usr/bin/env python3
"""Draws the eleven PNG images of the editor into editor/assets/, and the desktop icons (the
window icon's book, square, in the icon theme's sizes) into editor/assets/icons/.

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
SANS_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")

SS = 8  # supersampling factor for everything drawn from outlines

# ---- Advance widths (same groups as the renderer's glyph table) ----
UNASSIGNED_ADVANCE = 7
ADVANCE_GROUPS = [
    (2, "'", None),
    (3, ",.Iil", (0x99, 0x99)),
    (4, "\":;[|`", (0x89, 0x89)),
    (5, "()*-1]fr", None),
    (6, "!t{}", None),
    (7, " /<>EFJLPT^abcdehjknpsuvxyz", (0x85, 0x88)),
    (7, "", (0x90, 0x98)),
    (7, "", (0x9A, 0x9E)),
    (8, "#$+2356789=BSU_goq~", (0x8C, 0x8F)),
    (9, "04?HKRXYZ\\", None),
    (10, "NV", (0x80, 0x84)),
    (11, "&ACDGOmw", (0x8A, 0x8B)),
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
    # One rule for every character byte; 0x7F, between ASCII and the letters, has no cell.
    if 0x80 <= b <= 0xAB:
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
    """Places the ink of a supersampled mask in the cell, from its left edge and at most
    `avail` pixels wide, its baseline on BASELINE; returns the 16 x 16 coverage mask."""
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
    below = top + height - BASELINE * SS
    room_below = (LOWEST_ROW + 1 - BASELINE) * SS
    if below > room_below:
        # Deep descenders: squash only the part below the baseline, so that the baseline
        # stays where it is for every glyph.
        cut = height - below
        upper = ink.crop((0, 0, ink.width, cut))
        lower = ink.crop((0, cut, ink.width, ink.height)).resize((ink.width, room_below), Image.LANCZOS)
        joined = Image.new("L", (ink.width, cut + room_below), 0)
        joined.paste(upper, (0, 0))
        joined.paste(lower, (0, cut))
        ink, height = joined, joined.height
    ink = ink.resize((max(1, width), max(1, height)), Image.LANCZOS)
    # A glyph much narrower than its advance ("!", "C", "?") is moved right by half of the
    # spare room, on whole pixels, so the gaps on both sides look even.
    spare = (max_w - width) // SS
    left = (spare // 2) * SS if spare >= 2 else 0
    cell.paste(ink, (left, top))
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
    elif kind == "dpad":
        # A plus of four arms, each a third of the box wide, with rounded ends.
        third = (x1 + 1 - x0) / 3.0
        d.rounded_rectangle((x0 + third, y0, x1 - third, y1), radius=1.5 * S, fill=255)
        d.rounded_rectangle((x0, y0 + third, x1, y1 - third), radius=1.5 * S, fill=255)
    elif kind == "stick":
        # A round knob on a short shaft over a flat base.
        d.ellipse((cx - 3.5 * S, y0, cx + 3.5 * S, y0 + 7 * S), fill=255)
        d.rectangle((cx - 1 * S, y0 + 6 * S, cx + 1 * S, y1 - 2 * S), fill=255)
        d.rounded_rectangle((x0, y1 - 3 * S, x1, y1), radius=1.5 * S, fill=255)
    mask = sharpen_coverage(downsample(big, CELL, CELL))
    if kind == "dpad":
        # Its pivot, 2 x 2 pixels in the middle, is cut out on whole pixels as the letters are.
        px = mask.load()
        for x, y in ((5, 6), (6, 6), (5, 7), (6, 7)):
            px[x, y] = 0
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
                      "solid_down", "stick", "dpad"]

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
    sheet = rgba(FONT_COLUMNS * CELL, (FONT_CELLS + FONT_COLUMNS - 1) // FONT_COLUMNS * CELL)
    masks = {}
    # Cells 1..95: bytes 0x20..0x7E, with a yen sign for 0x5C.
    for b in range(0x20, 0x7F):
        ch = "\u00a5" if b == 0x5C else chr(b)
        masks[glyph_cell(b)] = (ch, glyph_advance(b))
    # Cells 97..127: the accented letters.
    for i, ch in enumerate(ACCENTED):
        b = 0x80 + i
        masks[glyph_cell(b)] = (ch, glyph_advance(b))
    for n in range(FONT_CELLS):
        x, y = (n % FONT_COLUMNS) * CELL, (n // FONT_COLUMNS) * CELL
        if n == 0:
            sheet.paste(draw_portrait(), (x, y))
            continue
        if 128 <= n < 128 + len(CONTROLLER_SYMBOLS):
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


FONT_COLUMNS = 10
FONT_CELLS = 141  # cell 140, the D-pad, opens a fifteenth row; the rest of that row stays empty


# ---- Window icon ----

def draw_book(d, S, ox=0, oy=0):
    """The red book on a 26 x 32 grid of S pixels per unit, its top left at (ox, oy) pixels."""
    def box(x0, y0, x1, y1):
        return (ox + x0, oy + y0, ox + x1, oy + y1)
    outline = (40, 8, 10, 255)
    # Pages behind the cover (right and bottom edge).
    d.rounded_rectangle(box(5 * S, 3 * S, 25 * S - 1, 31 * S - 1), radius=2 * S, fill=outline)
    d.rectangle(box(7 * S, 5 * S, 24 * S - 1, 30 * S - 1), fill=(238, 226, 196, 255))
    for y in range(7, 30, 2):
        d.line(box(8 * S, y * S, 23 * S, y * S), fill=(205, 190, 160, 255), width=S // 2)
    # Cover and spine.
    d.rounded_rectangle(box(1 * S, 1 * S, 22 * S - 1, 29 * S - 1), radius=2 * S, fill=outline)
    d.rounded_rectangle(box(2 * S, 2 * S, 21 * S - 1, 28 * S - 1), radius=2 * S, fill=(196, 36, 42, 255))
    d.rectangle(box(2 * S, 2 * S, 6 * S - 1, 28 * S - 1), fill=(150, 22, 30, 255))
    d.line(box(6 * S, 2 * S, 6 * S, 28 * S), fill=outline, width=S // 2)
    # Highlight along the top and a gold emblem on the cover.
    d.line(box(7 * S, 3 * S + S // 2, 20 * S, 3 * S + S // 2), fill=(232, 96, 96, 255), width=S // 2)
    d.rectangle(box(9 * S, 8 * S, 18 * S - 1, 10 * S - 1), fill=(240, 196, 80, 255))
    d.ellipse(box(10 * S, 13 * S, 17 * S, 20 * S), outline=(240, 196, 80, 255), width=S)
    d.rectangle(box(9 * S, 23 * S, 18 * S - 1, 24 * S - 1), fill=(240, 196, 80, 255))


def make_window_icon():
    """A red book, seen slightly from the front, with cream page edges."""
    S = 8
    big = Image.new("RGBA", (26 * S, 32 * S), (0, 0, 0, 0))
    draw_book(ImageDraw.Draw(big), S)
    return clean_transparent(big.resize((26, 32), Image.BOX))


# ---- Desktop icons ----
# The same book, centred on a square canvas, for the desktop's icon theme (hicolor sizes).
DESKTOP_ICON_SIZES = (16, 32, 48, 64, 128, 256)


def make_desktop_icon(size):
    # Drawn once large (every size divides 1024) and area-averaged down, so each size is sharp.
    S = 32
    big = Image.new("RGBA", (32 * S, 32 * S), (0, 0, 0, 0))
    draw_book(ImageDraw.Draw(big), S, ox=3 * S, oy=0)
    return clean_transparent(big.resize((size, size), Image.BOX))


# ---- Background ----
W, H = 400, 340
TOP_BAND = 21       # rows 0..20 black
BOTTOM_BAND = 260   # rows 260..339 black

# Painted buttons: centre and diameter match the hit rectangles exactly.
BUTTONS = [
    ("Quit", (204, 24, 232, 52)),
    ("Collapse", (250, 24, 278, 52)),
    ("Search", (288, 24, 312, 48)),
    ("Text", (320, 50, 344, 74)),
    ("Box", (344, 26, 368, 50)),
]
LEFT_ARROW = (14, 205, 38, 231)
RIGHT_ARROW = (367, 205, 391, 231)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def hill_line(width, base, amp, waves, phase):
    """Heights of a soft ridge: a sum of a few sine waves, one value per column."""
    out = []
    for x in range(width):
        v = base
        for k, (a, f) in enumerate(zip(amp, waves)):
            v -= a * math.sin(x * f / width * 2 * math.pi + phase * (k + 1))
        out.append(v)
    return out


def draw_scene():
    img = Image.new("RGB", (W, H), (0, 0, 0))
    px = img.load()
    sky_top, sky_mid, sky_low = (28, 36, 72), (70, 84, 132), (214, 168, 140)
    horizon = 150
    for y in range(TOP_BAND, BOTTOM_BAND):
        if y < 110:
            c = lerp(sky_top, sky_mid, (y - TOP_BAND) / float(110 - TOP_BAND))
        else:
            c = lerp(sky_mid, sky_low, min(1.0, (y - 110) / float(horizon - 110)))
        for x in range(W):
            px[x, y] = c
    # A pale moon and a few quiet stars in the upper sky, clear of the buttons.
    big = Image.new("L", (60 * SS, 60 * SS), 0)
    ImageDraw.Draw(big).ellipse((10 * SS, 10 * SS, 32 * SS, 32 * SS), fill=255)
    ImageDraw.Draw(big).ellipse((17 * SS, 6 * SS, 39 * SS, 28 * SS), fill=0)
    moon = big.resize((60, 60), Image.BOX)
    img.paste(Image.new("RGB", (60, 60), (244, 236, 208)), (100, 16), moon)
    stars = [(40, 40), (72, 30), (150, 52), (24, 78), (176, 34), (130, 86), (58, 100),
             (188, 74), (92, 66), (160, 104)]
    for x, y in stars:
        px[x, y] = (226, 228, 240)
    for x, y in stars[::3]:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            px[x + dx, y + dy] = (120, 130, 170)
    # Ridges from far to near: each a flat colour, lighter at the top edge.
    layers = [
        (hill_line(W, 132, (10, 6, 3), (1.3, 3.1, 7.0), 0.4), (96, 92, 138), (120, 112, 156)),
        (hill_line(W, 150, (9, 5, 2), (1.8, 4.2, 9.0), 1.7), (70, 84, 104), (92, 108, 122)),
        (hill_line(W, 168, (8, 4, 2), (1.1, 2.7, 8.0), 2.9), (52, 86, 70), (74, 110, 84)),
        (hill_line(W, 190, (6, 3, 1), (0.9, 2.2, 6.0), 4.1), (40, 72, 52), (58, 96, 66)),
    ]
    for ridge, colour, edge in layers:
        for x in range(W):
            top = int(round(ridge[x]))
            for y in range(max(TOP_BAND, top), BOTTOM_BAND):
                px[x, y] = edge if y - top < 2 else colour
    # Meadow shading towards the bottom and a few flowers, mostly hidden by the box.
    for y in range(200, BOTTOM_BAND):
        t = (y - 200) / 60.0
        for x in range(W):
            r, g, b = px[x, y]
            px[x, y] = (int(r * (1 - 0.25 * t)), int(g * (1 - 0.25 * t)), int(b * (1 - 0.25 * t)))
    for i in range(40):
        x = (i * 97 + 13) % W
        y = 200 + (i * 53) % 56
        px[x, y] = [(230, 214, 120), (220, 170, 190), (200, 210, 240)][i % 3]
    return img


def small_label_font(size=8):
    return ImageFont.truetype(SANS_BOLD, size)


def button_symbol(d, name, cx, cy, r, S, ink):
    """Draws the symbol of one round button (supersampled coordinates)."""
    w = max(S, int(round(r * 0.16)))
    if name == "Quit":
        # Power sign: an open ring and a bar through the gap.
        rr = r * 0.48
        d.arc((cx - rr, cy - rr, cx + rr, cy + rr), start=-60, end=240, fill=ink, width=w)
        d.line((cx, cy - rr - w * 0.6, cx, cy - w * 0.3), fill=ink, width=w)
    elif name == "Collapse":
        # Two chevrons pointing left: the side panel folds away.
        for off in (-0.22, 0.22):
            x = cx + off * r
            d.line((x + r * 0.16, cy - r * 0.36, x - r * 0.16, cy, x + r * 0.16, cy + r * 0.36),
                   fill=ink, width=w, joint="curve")
    elif name == "Search":
        rr = r * 0.36
        gx, gy = cx - r * 0.12, cy - r * 0.12
        d.ellipse((gx - rr, gy - rr, gx + rr, gy + rr), outline=ink, width=w)
        d.line((gx + rr * 0.7, gy + rr * 0.7, cx + r * 0.52, cy + r * 0.52), fill=ink,
               width=int(w * 1.4))
    elif name == "Text":
        font = ImageFont.truetype(SANS_BOLD, int(r * 1.05))
        d.text((cx, cy + r * 0.04), "Aa", font=font, fill=ink, anchor="mm")
    elif name == "Box":
        # A small message box with two text lines.
        x0, y0, x1, y1 = cx - r * 0.55, cy - r * 0.38, cx + r * 0.55, cy + r * 0.38
        d.rounded_rectangle((x0, y0, x1, y1), radius=r * 0.12, outline=ink, width=w)
        d.line((x0 + r * 0.22, cy - r * 0.1, x1 - r * 0.22, cy - r * 0.1), fill=ink, width=w)
        d.line((x0 + r * 0.22, cy + r * 0.14, x1 - r * 0.4, cy + r * 0.14), fill=ink, width=w)


def draw_buttons(img):
    S = SS
    layer = Image.new("RGBA", (W * S, 90 * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    ink = (246, 240, 222, 255)
    for name, (x0, y0, x1, y1) in BUTTONS:
        # The disc covers exactly the pixels x0..x1, y0..y1.
        box = (x0 * S, y0 * S, (x1 + 1) * S - 1, (y1 + 1) * S - 1)
        d.ellipse(box, fill=(22, 28, 48, 255))
        inner = (box[0] + S, box[1] + S, box[2] - S, box[3] - S)
        d.ellipse(inner, fill=(62, 80, 120, 255))
        # Soft light from the top: a lighter cap inside the disc.
        cap = (inner[0] + S, inner[1] + S // 2, inner[2] - S, (inner[1] + inner[3]) // 2 + S)
        d.ellipse(cap, fill=(82, 104, 150, 255))
        d.ellipse((inner[0] + 2 * S, inner[1] + 2 * S, inner[2] - 2 * S, inner[3] - 2 * S),
                  fill=(66, 86, 128, 255))
        cx, cy = (box[0] + box[2]) / 2.0, (box[1] + box[3]) / 2.0
        button_symbol(d, name, cx, cy, (box[2] - box[0]) / 2.0, S, ink)
    small = layer.resize((W, 90), Image.BOX)
    base = img.crop((0, 0, W, 90)).convert("RGBA")
    base.alpha_composite(small)
    img.paste(base.convert("RGB"), (0, 0))
    # Word labels under the discs, in small white letters with a dark shadow.
    labels = Image.new("RGBA", (W, 90), (0, 0, 0, 0))
    ld = ImageDraw.Draw(labels)
    font = small_label_font(8)
    places = {"Quit": (218, 54), "Collapse": (264, 54), "Search": (300, 50),
              "Text": (332, 76), "Box": (356, 52)}
    for name, (x, y) in places.items():
        ld.text((x + 1, y + 1), name, font=font, fill=(10, 12, 24, 220), anchor="mt")
        ld.text((x, y), name, font=font, fill=(246, 240, 222, 255), anchor="mt")
    base = img.crop((0, 0, W, 90)).convert("RGBA")
    base.alpha_composite(labels)
    img.paste(base.convert("RGB"), (0, 0))


def draw_arrows(img):
    S = SS
    layer = Image.new("RGBA", (W * S, H * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for rect, direction in ((LEFT_ARROW, -1), (RIGHT_ARROW, 1)):
        x0, y0, x1, y1 = rect
        X0, Y0, X1, Y1 = x0 * S, y0 * S, (x1 + 1) * S - 1, (y1 + 1) * S - 1
        cy = (Y0 + Y1) / 2.0
        if direction < 0:
            pts = [(X0, cy), (X1, Y0), (X1, Y1)]
        else:
            pts = [(X1, cy), (X0, Y0), (X0, Y1)]
        d.polygon(pts, fill=(22, 28, 48, 255))
        # Inner triangle shrunk towards the centre so a dark rim stays around it; its lower
        # half a shade darker, as if lit from above.
        cx = sum(p[0] for p in pts) / 3.0
        inner = [(cx + (px_ - cx) * 0.78, cy + (py - cy) * 0.78) for px_, py in pts]
        d.polygon(inner, fill=(236, 226, 190, 255))
        d.polygon([inner[0], (inner[1][0], cy), inner[2]], fill=(206, 190, 146, 255))
    small = layer.resize((W, H), Image.BOX)
    base = img.convert("RGBA")
    base.alpha_composite(small)
    img.paste(base.convert("RGB"), (0, 0))


def make_background():
    img = draw_scene()
    draw_buttons(img)
    draw_arrows(img)
    # The bands stay pure black: text is drawn on them.
    ImageDraw.Draw(img).rectangle((0, 0, W - 1, TOP_BAND - 1), fill=(0, 0, 0))
    ImageDraw.Draw(img).rectangle((0, BOTTOM_BAND, W - 1, H - 1), fill=(0, 0, 0))
    return img


# ---- Side panel ----

def make_panel():
    img = Image.new("RGB", (W, H), (0, 0, 0))
    px = img.load()
    top, bottom = (24, 28, 46), (14, 16, 28)
    for y in range(H):
        c = lerp(top, bottom, y / float(H - 1))
        for x in range(W):
            px[x, y] = c
    d = ImageDraw.Draw(img)
    # A faint frame and a rule under the title row; both stay clear of the texts.
    d.rectangle((4, 4, W - 5, H - 5), outline=(48, 56, 86))
    d.line((12, 36, W - 13, 36), fill=(40, 46, 72))
    return img


# ---- Message boxes ----
BOX_AREA = (42, 178, 362, 257)
BLUE_AREA = (34, 168, 368, 265)


def rounded_box(area, colour, alpha, radius):
    """RGBA 400 x 300 with one rounded rectangle covering exactly `area` (inclusive)."""
    S = SS
    x0, y0, x1, y1 = area
    mask = Image.new("L", (W * S, 300 * S), 0)
    ImageDraw.Draw(mask).rounded_rectangle((x0 * S, y0 * S, (x1 + 1) * S - 1, (y1 + 1) * S - 1),
                                           radius=radius * S, fill=255)
    mask = mask.resize((W, 300), Image.BOX)
    mask = mask.point(lambda v: v * alpha // 255)
    img = Image.new("RGBA", (W, 300), colour + (0,))
    img.putalpha(mask)
    return clean_transparent(img)


def make_box_black():
    return rounded_box(BOX_AREA, (0, 0, 0), 163, 8)


def make_box_blue():
    return rounded_box(BLUE_AREA, (3, 9, 35), 163, 10)


def make_box_sign():
    """Horizontal planks of brown wood (about (57, 43, 24)) at alpha 230."""
    x0, y0, x1, y1 = BOX_AREA
    img = rgba(W, 300)
    px = img.load()
    plank_h = 20  # four planks over the 80 rows
    for y in range(y0, y1 + 1):
        k = (y - y0) // plank_h
        in_plank = (y - y0) % plank_h
        for x in range(x0, x1 + 1):
            # Gentle grain: a slow wave per plank, a shade per plank.
            grain = math.sin((x * 0.09 + k * 1.7) + math.sin(y * 0.55 + k) * 0.8) * 4
            shade = (-3, 2, -1, 3)[k % 4]
            v = grain + shade
            c = (57 + v, 43 + v * 0.75, 24 + v * 0.45)
            if in_plank == 0:
                c = (34, 25, 13)        # seam between planks
            elif in_plank == 1:
                c = (70, 54, 32)        # lit upper edge of a plank
            px[x, y] = tuple(int(round(ch)) for ch in c) + (230,)
    # Dark border and a nail at both ends of every plank.
    d = ImageDraw.Draw(img)
    d.rectangle((x0, y0, x1, y1), outline=(30, 22, 12, 230))
    for k in range(4):
        cy = y0 + k * plank_h + plank_h // 2
        for cx in (x0 + 7, x1 - 7):
            d.rectangle((cx - 1, cy - 1, cx, cy), fill=(120, 110, 96, 230))
            px[cx - 1, cy - 1] = (170, 160, 146, 230)
    # Trim the four corners so the sign does not look cut from a rectangle.
    for cx, cy, sx, sy in ((x0, y0, 1, 1), (x1, y0, -1, 1), (x0, y1, 1, -1), (x1, y1, -1, -1)):
        for i in range(3):
            for j in range(3 - i):
                px[cx + sx * i, cy + sy * j] = (0, 0, 0, 0)
    return img


STAFF_LINES = (199, 208, 217, 226)
STAFF_X = (52, 352)
STAFF_COLOUR = (80, 0, 0)
CLEF_COLOUR = (255, 150, 30)


def treble_clef_mask(S):
    """A treble clef from strokes: a loop on top, the spiral round the second line, a hook below."""
    w, h = 18, 52
    big = Image.new("L", (w * S, h * S), 0)
    d = ImageDraw.Draw(big)
    pts = []
    # Spiral: from the centre outwards around (9, 33).
    for i in range(0, 300):
        a = math.radians(200 + i * 1.5)
        r = 2.0 + i * 0.018
        pts.append((9 + r * math.cos(a) * 1.45, 33 + r * math.sin(a) * 1.3))
    # Up the stem to the top loop, then down through the spiral to the tail.
    pts += [(13.5, 28), (14.0, 20), (13.6, 12), (12.0, 5), (10.0, 2.5), (8.3, 5), (8.0, 11),
            (9.2, 20), (10.0, 32), (10.8, 44), (10.2, 48), (8.0, 49.5), (5.8, 48.4), (5.4, 46.2)]
    d.line([(x * S, y * S) for x, y in pts], fill=255, width=int(1.7 * S), joint="curve")
    d.ellipse((4.2 * S, 44.2 * S, 7.8 * S, 47.8 * S), fill=255)
    return big.resize((w, h), Image.BOX), (w, h)


def make_box_staff():
    img = make_box_black()
    d = ImageDraw.Draw(img)
    for y in STAFF_LINES:
        d.line((STAFF_X[0], y, STAFF_X[1], y), fill=STAFF_COLOUR + (255,))
    mask, (w, h) = treble_clef_mask(SS)
    mask = sharpen_coverage(mask, 20, 160)
    img = composite_over(img, CLEF_COLOUR + (255,), mask, (50, 186))
    return img


# ---- Box end markers ----
MARKER_COLOUR = (42, 134, 255)


def make_end_markers():
    S = SS
    big = Image.new("L", (48 * S, 16 * S), 0)
    d = ImageDraw.Draw(big)
    # Cell 0: down triangle; cell 16: up triangle; cell 32: square.
    d.polygon([(2 * S, 4 * S), (14 * S, 4 * S), (8 * S, 13 * S)], fill=255)
    d.polygon([(16 * S + 2 * S, 12 * S), (16 * S + 14 * S, 12 * S), (16 * S + 8 * S, 3 * S)], fill=255)
    d.rectangle((32 * S + 4 * S, 4 * S, 32 * S + 12 * S - 1, 12 * S - 1), fill=255)
    mask = big.resize((48, 16), Image.BOX)
    img = rgba(48, 16)
    img = composite_over(img, (10, 24, 60, 170), mask, (1, 1))      # soft shadow
    img = composite_over(img, MARKER_COLOUR + (255,), mask)
    return clean_transparent(img)


# ---- Icon frame ----

def make_icon_frame():
    img = rgba(40, 40)
    gold, dark = (255, 214, 92, 255), (40, 28, 8, 255)
    L = 11
    for cx, cy, sx, sy in ((0, 0, 1, 1), (39, 0, -1, 1), (0, 39, 1, -1), (39, 39, -1, -1)):
        # Dark rim first, then the gold bracket three pixels thick inside it.
        for t in range(4):
            for i in range(L + 1):
                for x, y in ((cx + sx * i, cy + sy * t), (cx + sx * t, cy + sy * i)):
                    img.putpixel((x, y), dark)
        for t in range(1, 3):
            for i in range(1, L):
                for x, y in ((cx + sx * i, cy + sy * t), (cx + sx * t, cy + sy * i)):
                    img.putpixel((x, y), gold)
    return img


# ---- Icon strip ----
# 108 item pictures: 54 shapes, each drawn twice in two different colourings, then the
# "No Icon" picture. Every cell carries its icon number in the lower right corner.
ICON = 40
IS = 4  # supersampling of the item pictures

METAL, METAL_DARK = (196, 204, 216, 255), (118, 126, 142, 255)
WOOD, WOOD_DARK = (160, 108, 60, 255), (104, 66, 34, 255)
PAPER, PAPER_DARK = (238, 224, 182, 255), (196, 172, 120, 255)
GLASS = (214, 236, 246, 255)
INK = (44, 40, 52, 255)
WHITE = (250, 248, 240, 255)

ICON_PALETTES = [
    # main, light, accent
    ((200, 56, 52, 255), (242, 134, 114, 255), (244, 204, 90, 255)),
    ((58, 112, 200, 255), (134, 180, 238, 255), (236, 236, 246, 255)),
    ((58, 150, 80, 255), (142, 212, 132, 255), (240, 220, 110, 255)),
    ((142, 82, 182, 255), (204, 156, 232, 255), (250, 204, 124, 255)),
]


def _s(v):
    return v * IS


def E(d, box, fill):
    d.ellipse([_s(v) for v in box], fill=fill)


def R(d, box, fill, r=0):
    if r:
        d.rounded_rectangle([_s(v) for v in box], radius=_s(r), fill=fill)
    else:
        d.rectangle([_s(v) for v in box], fill=fill)


def PG(d, pts, fill):
    d.polygon([(_s(x), _s(y)) for x, y in pts], fill=fill)


def LN(d, pts, fill, w):
    d.line([(_s(x), _s(y)) for x, y in pts], fill=fill, width=int(_s(w)), joint="curve")


def ARC(d, box, start, end, fill, w):
    d.arc([_s(v) for v in box], start, end, fill=fill, width=int(_s(w)))


def icon_sword(d, m, l, a):
    PG(d, [(25, 5), (29, 5), (29, 9), (15, 23), (11, 19)], METAL)
    LN(d, [(27, 7), (14, 20)], WHITE, 1)
    LN(d, [(9, 17), (17, 25)], a, 3)
    LN(d, [(12, 22), (6, 28)], m, 3)
    E(d, (3, 27, 8, 32), a)


def icon_shield(d, m, l, a):
    PG(d, [(6, 6), (30, 6), (30, 17), (18, 32), (6, 17)], METAL_DARK)
    PG(d, [(8, 8), (28, 8), (28, 17), (18, 29), (8, 17)], m)
    PG(d, [(18, 8), (28, 8), (28, 17), (18, 29)], l)
    E(d, (14, 13, 22, 21), a)


def icon_bow(d, m, l, a):
    ARC(d, (4, 4, 30, 30), 225, 405, WOOD, 3)
    LN(d, [(8, 8), (26, 26)], WHITE, 1)
    E(d, (15, 15, 19, 19), m)


def icon_arrow(d, m, l, a):
    LN(d, [(6, 28), (26, 8)], WOOD, 2)
    PG(d, [(30, 4), (22, 7), (27, 12)], METAL)
    PG(d, [(4, 30), (4, 23), (8, 26), (11, 23), (8, 26)], m)
    PG(d, [(4, 30), (11, 30), (8, 26)], l)
    PG(d, [(4, 23), (8, 26), (4, 30)], m)


def icon_bomb(d, m, l, a):
    E(d, (5, 10, 27, 32), INK)
    E(d, (9, 14, 15, 20), (110, 104, 124, 255))
    R(d, (13, 7, 19, 11), METAL_DARK)
    LN(d, [(16, 7), (20, 3), (25, 4)], WOOD, 1.5)
    PG(d, [(27, 1), (29, 4), (32, 4), (29, 6), (30, 9), (27, 7), (24, 9), (25, 6), (22, 4), (25, 4)], a)


def icon_potion(d, m, l, a):
    R(d, (14, 3, 22, 7), WOOD, 1)
    R(d, (15, 7, 21, 13), GLASS)
    E(d, (7, 11, 29, 32), GLASS)
    E(d, (8, 17, 28, 31), m)
    E(d, (11, 19, 16, 24), l)


def icon_key(d, m, l, a):
    E(d, (3, 12, 15, 24), a)
    E(d, (6, 15, 12, 21), (0, 0, 0, 0))
    R(d, (14, 16, 32, 20), a)
    R(d, (25, 20, 28, 25), a)
    R(d, (29, 20, 32, 27), a)


def icon_heart(d, m, l, a):
    E(d, (4, 7, 19, 21), m)
    E(d, (17, 7, 32, 21), m)
    PG(d, [(5, 17), (31, 17), (18, 31)], m)
    E(d, (8, 10, 13, 15), l)


def icon_gem(d, m, l, a):
    PG(d, [(11, 6), (25, 6), (31, 13), (18, 31), (5, 13)], m)
    PG(d, [(11, 6), (25, 6), (21, 13), (15, 13)], l)
    PG(d, [(5, 13), (15, 13), (18, 31)], l)
    LN(d, [(13, 8), (16, 8)], WHITE, 1)


def icon_coin(d, m, l, a):
    E(d, (5, 5, 31, 31), (190, 140, 40, 255))
    E(d, (7, 6, 31, 29), a)
    E(d, (11, 10, 27, 26), (226, 174, 60, 255))
    R(d, (17, 12, 21, 24), a)


def icon_ring(d, m, l, a):
    ARC(d, (7, 12, 29, 32), 0, 360, a, 3)
    PG(d, [(18, 3), (24, 8), (18, 13), (12, 8)], m)
    PG(d, [(18, 3), (24, 8), (18, 8)], l)


def icon_crown(d, m, l, a):
    PG(d, [(4, 10), (11, 18), (18, 7), (25, 18), (32, 10), (30, 28), (6, 28)], a)
    R(d, (6, 24, 30, 28), (210, 160, 50, 255))
    E(d, (15, 17, 21, 23), m)
    E(d, (7, 19, 11, 23), l)
    E(d, (25, 19, 29, 23), l)


def icon_scroll(d, m, l, a):
    R(d, (8, 6, 28, 30), PAPER)
    E(d, (5, 3, 31, 9), PAPER_DARK)
    E(d, (5, 27, 31, 33), PAPER_DARK)
    for y in (12, 16, 20, 24):
        LN(d, [(11, y), (25, y)], (150, 130, 100, 255), 1)
    R(d, (16, 13, 20, 23), m)


def icon_book(d, m, l, a):
    R(d, (7, 4, 30, 31), PAPER, 1)
    R(d, (5, 3, 27, 30), m, 2)
    R(d, (5, 3, 9, 30), l)
    R(d, (13, 9, 23, 13), a)
    E(d, (14, 16, 22, 24), a)


def icon_map(d, m, l, a):
    PG(d, [(4, 8), (13, 5), (22, 8), (32, 5), (32, 28), (22, 31), (13, 28), (4, 31)], PAPER)
    PG(d, [(13, 5), (22, 8), (22, 31), (13, 28)], PAPER_DARK)
    LN(d, [(7, 24), (12, 18), (19, 21), (26, 13)], m, 1.5)
    LN(d, [(24, 11), (29, 16)], a, 2)
    LN(d, [(29, 11), (24, 16)], a, 2)


def icon_compass(d, m, l, a):
    E(d, (4, 4, 32, 32), METAL_DARK)
    E(d, (6, 6, 30, 30), WHITE)
    PG(d, [(18, 7), (21, 18), (15, 18)], m)
    PG(d, [(18, 29), (21, 18), (15, 18)], INK)
    E(d, (16, 16, 20, 20), a)


def icon_lantern(d, m, l, a):
    ARC(d, (12, 1, 24, 11), 180, 360, METAL_DARK, 2)
    R(d, (10, 6, 26, 10), METAL_DARK)
    R(d, (11, 10, 25, 28), (255, 230, 150, 255))
    E(d, (14, 13, 22, 25), (255, 250, 220, 255))
    R(d, (10, 27, 26, 31), METAL_DARK)
    R(d, (11, 10, 13, 28), m)
    R(d, (23, 10, 25, 28), m)


def icon_bell(d, m, l, a):
    PG(d, [(18, 4), (26, 9), (28, 24), (32, 28), (4, 28), (8, 24), (10, 9)], a)
    PG(d, [(18, 4), (10, 9), (8, 24), (14, 24), (15, 9)], (252, 232, 160, 255))
    E(d, (15, 27, 21, 33), m)
    R(d, (16, 1, 20, 5), METAL_DARK)


def icon_horn(d, m, l, a):
    # A curved horn widening from the mouthpiece (lower left) to the bell (upper right).
    PG(d, [(3, 31), (6, 24), (11, 17), (18, 11), (26, 6), (33, 3), (33, 19), (27, 18),
           (20, 20), (13, 24), (7, 30)], a)
    PG(d, [(33, 3), (33, 19), (30, 18), (30, 5)], (210, 160, 50, 255))
    LN(d, [(10, 19), (13, 25)], m, 2.5)
    LN(d, [(19, 12), (21, 20)], m, 2.5)
    R(d, (2, 29, 6, 33), METAL_DARK)


def icon_flute(d, m, l, a):
    LN(d, [(5, 31), (31, 5)], m, 5)
    LN(d, [(6, 29), (30, 5)], l, 1.5)
    for t in (0.35, 0.5, 0.65, 0.8):
        x, y = 5 + 26 * t, 31 - 26 * t
        E(d, (x - 1.3, y - 1.3, x + 1.3, y + 1.3), INK)


def icon_feather(d, m, l, a):
    PG(d, [(30, 3), (24, 14), (14, 26), (8, 28), (10, 20), (20, 8)], m)
    PG(d, [(30, 3), (20, 8), (10, 20), (8, 28), (18, 16)], l)
    LN(d, [(4, 32), (29, 4)], WHITE, 1)


def icon_leaf(d, m, l, a):
    PG(d, [(6, 30), (8, 16), (16, 7), (31, 4), (28, 18), (20, 27)], m)
    PG(d, [(6, 30), (8, 16), (16, 7), (31, 4)], l)
    LN(d, [(5, 31), (26, 9)], (40, 90, 40, 255), 1.3)


def icon_flower(d, m, l, a):
    LN(d, [(18, 18), (18, 33)], (60, 130, 60, 255), 2)
    PG(d, [(18, 28), (26, 23), (24, 29)], (90, 170, 80, 255))
    for ang in range(0, 360, 72):
        x = 18 + 7 * math.cos(math.radians(ang - 90))
        y = 14 + 7 * math.sin(math.radians(ang - 90))
        E(d, (x - 5, y - 5, x + 5, y + 5), m)
    E(d, (14, 10, 22, 18), a)


def icon_mushroom(d, m, l, a):
    R(d, (13, 18, 23, 31), PAPER, 3)
    PG(d, [(4, 20), (8, 9), (18, 4), (28, 9), (32, 20)], m)
    E(d, (10, 9, 15, 14), WHITE)
    E(d, (20, 7, 24, 11), WHITE)
    E(d, (24, 14, 28, 18), WHITE)


def icon_apple(d, m, l, a):
    E(d, (5, 9, 31, 33), m)
    E(d, (9, 13, 15, 19), l)
    LN(d, [(18, 10), (19, 3)], WOOD_DARK, 2)
    PG(d, [(19, 6), (26, 2), (29, 6), (22, 8)], (80, 160, 70, 255))


def icon_fish(d, m, l, a):
    E(d, (4, 10, 26, 26), m)
    PG(d, [(23, 18), (33, 9), (33, 27)], m)
    E(d, (6, 17, 22, 25), l)
    E(d, (8, 14, 12, 18), WHITE)
    E(d, (9, 15, 11, 17), INK)


def icon_hammer(d, m, l, a):
    LN(d, [(8, 30), (22, 12)], WOOD, 3)
    PG(d, [(14, 8), (24, 2), (32, 12), (22, 18)], METAL)
    PG(d, [(24, 2), (32, 12), (30, 13), (22, 4)], METAL_DARK)
    R(d, (6, 27, 11, 32), m)


def icon_axe(d, m, l, a):
    LN(d, [(10, 32), (22, 4)], WOOD, 3)
    PG(d, [(19, 8), (30, 4), (32, 16), (24, 19), (17, 14)], METAL)
    LN(d, [(30, 5), (31, 16)], WHITE, 1)
    R(d, (14, 23, 19, 27), m)


def icon_boots(d, m, l, a):
    PG(d, [(8, 4), (18, 4), (18, 22), (30, 25), (30, 31), (6, 31), (8, 20)], m)
    PG(d, [(8, 4), (18, 4), (18, 8), (8, 8)], l)
    R(d, (6, 29, 30, 31), WOOD_DARK)
    R(d, (10, 13, 16, 15), a)


def icon_helmet(d, m, l, a):
    PG(d, [(4, 24), (6, 12), (12, 6), (24, 6), (30, 12), (32, 24), (26, 30), (10, 30)], METAL)
    R(d, (10, 17, 26, 20), INK)
    LN(d, [(18, 4), (18, 15)], m, 3)
    PG(d, [(17, 2), (26, 1), (20, 6)], l)


def icon_glove(d, m, l, a):
    R(d, (9, 14, 27, 30), m, 4)
    for i, x in enumerate((10, 14.5, 19, 23.5)):
        R(d, (x, 5 + (i % 2) * 2, x + 4, 18), m, 2)
    R(d, (24, 18, 32, 23), m, 2)
    R(d, (9, 26, 27, 30), a)


def icon_wand(d, m, l, a):
    LN(d, [(6, 30), (22, 14)], WOOD_DARK, 2.5)
    for ang in range(0, 360, 72):
        x1 = 25 + 8 * math.cos(math.radians(ang - 90))
        y1 = 11 + 8 * math.sin(math.radians(ang - 90))
        x2 = 25 + 3.5 * math.cos(math.radians(ang - 54))
        y2 = 11 + 3.5 * math.sin(math.radians(ang - 54))
        PG(d, [(25, 11), (x1, y1), (x2, y2)], a)
        x3 = 25 + 3.5 * math.cos(math.radians(ang - 126))
        y3 = 11 + 3.5 * math.sin(math.radians(ang - 126))
        PG(d, [(25, 11), (x1, y1), (x3, y3)], a)
    E(d, (22, 8, 28, 14), m)


def icon_hourglass(d, m, l, a):
    R(d, (7, 3, 29, 6), WOOD)
    R(d, (7, 30, 29, 33), WOOD)
    PG(d, [(10, 6), (26, 6), (19, 18), (26, 30), (10, 30), (17, 18)], GLASS)
    PG(d, [(13, 10), (23, 10), (18, 17)], m)
    PG(d, [(18, 21), (24, 29), (12, 29)], m)


def icon_pouch(d, m, l, a):
    E(d, (6, 12, 30, 33), m)
    PG(d, [(12, 6), (24, 6), (21, 14), (15, 14)], m)
    R(d, (13, 11, 23, 14), a)
    E(d, (10, 17, 16, 23), l)


def icon_chest(d, m, l, a):
    R(d, (4, 10, 32, 30), WOOD, 2)
    R(d, (4, 10, 32, 16), WOOD_DARK, 2)
    R(d, (4, 15, 32, 17), a)
    R(d, (8, 10, 11, 30), a)
    R(d, (25, 10, 28, 30), a)
    R(d, (15, 14, 21, 21), m)


def icon_candle(d, m, l, a):
    R(d, (12, 12, 24, 31), PAPER, 1)
    R(d, (20, 12, 24, 31), PAPER_DARK)
    R(d, (8, 29, 28, 33), m, 1)
    LN(d, [(18, 12), (18, 9)], INK, 1)
    PG(d, [(18, 1), (21, 6), (18, 10), (15, 6)], (255, 190, 60, 255))
    E(d, (16.5, 5, 19.5, 9), (255, 246, 200, 255))


def icon_star(d, m, l, a):
    pts = []
    for k in range(10):
        r = 15 if k % 2 == 0 else 6.5
        ang = math.radians(-90 + k * 36)
        pts.append((18 + r * math.cos(ang), 18 + r * math.sin(ang)))
    PG(d, pts, a)
    PG(d, [pts[0], pts[1], (18, 18), pts[9]], (255, 240, 190, 255))


def icon_moon(d, m, l, a):
    E(d, (5, 4, 31, 30), a)
    E(d, (12, 1, 36, 25), (0, 0, 0, 0))
    E(d, (8, 18, 11, 21), (220, 180, 70, 255))


def icon_mask(d, m, l, a):
    PG(d, [(5, 8), (18, 5), (31, 8), (30, 20), (24, 30), (18, 32), (12, 30), (6, 20)], m)
    E(d, (9, 12, 16, 18), INK)
    E(d, (20, 12, 27, 18), INK)
    LN(d, [(13, 24), (18, 26), (23, 24)], a, 1.5)
    LN(d, [(8, 8), (14, 6)], l, 1.5)


def icon_goblet(d, m, l, a):
    PG(d, [(6, 5), (30, 5), (27, 15), (18, 20), (9, 15)], a)
    R(d, (16, 19, 20, 28), a)
    R(d, (9, 28, 27, 31), (210, 160, 50, 255), 1)
    E(d, (14, 8, 22, 15), m)


def icon_boomerang(d, m, l, a):
    LN(d, [(6, 8), (16, 24), (31, 27)], m, 5)
    LN(d, [(6, 7), (15, 22), (31, 25)], l, 1.5)
    E(d, (13, 20, 19, 26), a)


def icon_hook(d, m, l, a):
    LN(d, [(22, 3), (22, 22)], METAL, 3)
    ARC(d, (8, 14, 24, 30), 0, 190, METAL, 3)
    PG(d, [(6, 20), (11, 17), (10, 24)], METAL)
    LN(d, [(16, 3), (28, 3)], m, 3)


def icon_bone(d, m, l, a):
    LN(d, [(10, 26), (26, 10)], PAPER, 5)
    for cx, cy in ((6, 26), (10, 30), (26, 6), (30, 10)):
        E(d, (cx - 4, cy - 4, cx + 4, cy + 4), PAPER)
    LN(d, [(12, 22), (22, 12)], WHITE, 1)


def icon_egg(d, m, l, a):
    E(d, (8, 4, 28, 32), WHITE)
    E(d, (12, 16, 16, 20), m)
    E(d, (20, 12, 23, 15), m)
    E(d, (19, 23, 24, 28), l)


def icon_beetle(d, m, l, a):
    for y in (14, 20, 26):
        LN(d, [(4, y - 2), (32, y + 2)], INK, 1.2)
    E(d, (13, 3, 23, 11), INK)
    E(d, (8, 9, 28, 33), m)
    LN(d, [(18, 10), (18, 32)], INK, 1)
    E(d, (11, 13, 15, 17), l)


def icon_bread(d, m, l, a):
    E(d, (3, 12, 33, 31), (196, 136, 70, 255))
    E(d, (4, 11, 32, 27), (226, 172, 96, 255))
    for x in (11, 18, 25):
        LN(d, [(x - 2, 22), (x + 2, 15)], (160, 100, 46, 255), 1.5)
    R(d, (14, 25, 22, 29), m, 1)


def icon_shovel(d, m, l, a):
    LN(d, [(26, 4), (14, 22)], WOOD, 2.5)
    R(d, (23, 2, 31, 5), m, 1)
    PG(d, [(10, 18), (18, 24), (12, 32), (4, 30), (5, 23)], METAL)
    PG(d, [(10, 18), (18, 24), (14, 26), (8, 20)], METAL_DARK)


def icon_torch(d, m, l, a):
    LN(d, [(10, 31), (20, 14)], WOOD, 3)
    R(d, (16, 12, 23, 17), m, 1)
    PG(d, [(22, 1), (28, 8), (26, 14), (17, 14), (16, 7)], (255, 150, 40, 255))
    PG(d, [(21, 5), (24, 9), (23, 13), (19, 13), (19, 8)], (255, 226, 120, 255))


def icon_drum(d, m, l, a):
    R(d, (5, 11, 31, 28), m)
    E(d, (5, 6, 31, 16), WHITE)
    E(d, (5, 23, 31, 33), m)
    for x in (9, 15, 21, 27):
        LN(d, [(x, 15), (x + 2, 28)], a, 1)
    LN(d, [(22, 2), (28, 8)], WOOD, 1.5)


def icon_letter(d, m, l, a):
    R(d, (3, 8, 33, 28), PAPER)
    PG(d, [(3, 8), (33, 8), (18, 20)], PAPER_DARK)
    LN(d, [(3, 8), (18, 20), (33, 8)], (150, 130, 96, 255), 1)
    E(d, (14, 16, 22, 24), m)


def icon_lens(d, m, l, a):
    LN(d, [(20, 20), (31, 31)], m, 4)
    E(d, (3, 3, 23, 23), METAL_DARK)
    E(d, (5, 5, 21, 21), GLASS)
    E(d, (8, 8, 13, 13), WHITE)


def icon_cloak(d, m, l, a):
    PG(d, [(13, 4), (23, 4), (31, 31), (5, 31)], m)
    PG(d, [(18, 4), (23, 4), (31, 31), (22, 31)], l)
    E(d, (15, 3, 21, 9), a)


def icon_jar(d, m, l, a):
    R(d, (11, 3, 25, 7), WOOD, 1)
    R(d, (7, 7, 29, 32), GLASS, 5)
    R(d, (8, 16, 28, 31), m, 4)
    R(d, (12, 20, 24, 26), PAPER)


def icon_orb(d, m, l, a):
    PG(d, [(10, 32), (26, 32), (22, 25), (14, 25)], WOOD_DARK)
    E(d, (6, 2, 30, 26), m)
    E(d, (10, 5, 18, 13), l)
    E(d, (11, 6, 14, 9), WHITE)


ICON_SHAPES = [
    icon_sword, icon_shield, icon_bow, icon_arrow, icon_bomb, icon_potion, icon_key,
    icon_heart, icon_gem, icon_coin, icon_ring, icon_crown, icon_scroll, icon_book, icon_map,
    icon_compass, icon_lantern, icon_bell, icon_horn, icon_flute, icon_feather, icon_leaf,
    icon_flower, icon_mushroom, icon_apple, icon_fish, icon_hammer, icon_axe, icon_boots,
    icon_helmet, icon_glove, icon_wand, icon_hourglass, icon_pouch, icon_chest, icon_candle,
    icon_star, icon_moon, icon_mask, icon_goblet, icon_boomerang, icon_hook, icon_bone,
    icon_egg, icon_beetle, icon_bread, icon_shovel, icon_torch, icon_drum, icon_letter,
    icon_lens, icon_cloak, icon_jar, icon_orb,
]
assert len(ICON_SHAPES) * 2 == 108

# 3 x 5 pixel digits for the icon numbers.
DIGITS = {
    "0": ["###", "#.#", "#.#", "#.#", "###"], "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["###", "..#", "###", "#..", "###"], "3": ["###", "..#", ".##", "..#", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"], "5": ["###", "#..", "###", "..#", "###"],
    "6": ["###", "#..", "###", "#.#", "###"], "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"], "9": ["###", "#.#", "###", "..#", "###"],
}


def icon_number_of_cell(c):
    """The icon number a pick of cell c writes: c up to 89, then c + 12."""
    return c if c <= 89 else c + 12


def draw_number(img, number):
    text = str(number)
    w = 4 * len(text) - 1
    x0, y0 = ICON - w - 2, ICON - 7
    px = img.load()
    # A dark plate behind the digits keeps them readable over any picture.
    for y in range(y0 - 1, ICON):
        for x in range(x0 - 1, ICON):
            px[x, y] = (24, 24, 34, 210)
    for i, ch in enumerate(text):
        for row, bits in enumerate(DIGITS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    px[x0 + 4 * i + col, y0 + row] = (236, 236, 226, 255)


def item_picture(shape, palette):
    big = Image.new("RGBA", (ICON * IS, ICON * IS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    main, light, accent = palette
    # Shapes are drawn in a 36 x 36 frame; shift them to the middle of the cell.
    shape(d, main, light, accent)
    pic = big.resize((ICON, ICON), Image.BOX)
    shifted = rgba(ICON, ICON)
    shifted.paste(pic, (2, 1))
    # A soft dark outline around the whole item.
    alpha = shifted.getchannel("A")
    rim = alpha.filter(ImageFilter.MaxFilter(3))
    out = composite_over(rgba(ICON, ICON), (28, 24, 36, 230), rim)
    out.alpha_composite(shifted)
    return out


def no_icon_picture():
    img = rgba(ICON, ICON)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((1, 3, 38, 36), radius=5, fill=(24, 24, 34, 150),
                        outline=(150, 150, 170, 255))
    font = ImageFont.truetype(SANS_BOLD, 11)
    for text, y in (("No", 13), ("Icon", 26)):
        d.text((21, y), text, font=font, fill=(20, 20, 28, 255), anchor="mm")
        d.text((20, y - 1), text, font=font, fill=(236, 236, 226, 255), anchor="mm")
    return img


def make_icon_strip():
    strip = rgba(4360, ICON)
    for c in range(108):
        shape = ICON_SHAPES[c % len(ICON_SHAPES)]
        rnd = c // len(ICON_SHAPES)
        palette = ICON_PALETTES[(c + 2 * rnd + rnd) % len(ICON_PALETTES)]
        pic = item_picture(shape, palette)
        draw_number(pic, icon_number_of_cell(c))
        strip.paste(pic, (c * ICON, 0))
    strip.paste(no_icon_picture(), (108 * ICON, 0))
    return clean_transparent(strip)


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
    icon_dir = os.path.join(out_dir, "icons")
    os.makedirs(icon_dir, exist_ok=True)
    for size in DESKTOP_ICON_SIZES:
        save_png(make_desktop_icon(size), os.path.join(icon_dir, "velloran-%d.png" % size))


if __name__ == "__main__":
    main()
