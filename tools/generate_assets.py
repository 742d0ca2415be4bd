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


# ---- Window icon ----

def make_window_icon():
    """A red book, seen slightly from the front, with cream page edges."""
    S = 8
    big = Image.new("RGBA", (26 * S, 32 * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    outline = (40, 8, 10, 255)
    # Pages behind the cover (right and bottom edge).
    d.rounded_rectangle((5 * S, 3 * S, 25 * S - 1, 31 * S - 1), radius=2 * S, fill=outline)
    d.rectangle((7 * S, 5 * S, 24 * S - 1, 30 * S - 1), fill=(238, 226, 196, 255))
    for y in range(7, 30, 2):
        d.line((8 * S, y * S, 23 * S, y * S), fill=(205, 190, 160, 255), width=S // 2)
    # Cover and spine.
    d.rounded_rectangle((1 * S, 1 * S, 22 * S - 1, 29 * S - 1), radius=2 * S, fill=outline)
    d.rounded_rectangle((2 * S, 2 * S, 21 * S - 1, 28 * S - 1), radius=2 * S, fill=(196, 36, 42, 255))
    d.rectangle((2 * S, 2 * S, 6 * S - 1, 28 * S - 1), fill=(150, 22, 30, 255))
    d.line((6 * S, 2 * S, 6 * S, 28 * S), fill=outline, width=S // 2)
    # Highlight along the top and a gold emblem on the cover.
    d.line((7 * S, 3 * S + S // 2, 20 * S, 3 * S + S // 2), fill=(232, 96, 96, 255), width=S // 2)
    d.rectangle((9 * S, 8 * S, 18 * S - 1, 10 * S - 1), fill=(240, 196, 80, 255))
    d.ellipse((10 * S, 13 * S, 17 * S, 20 * S), outline=(240, 196, 80, 255), width=S)
    d.rectangle((9 * S, 23 * S, 18 * S - 1, 24 * S - 1), fill=(240, 196, 80, 255))
    return clean_transparent(big.resize((26, 32), Image.BOX))


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
        # Inner triangle, inset so that a dark rim stays around it.
        inset = 2.2 * S
        cx = sum(p[0] for p in pts) / 3.0
        inner = [(cx + (px_ - cx) * 0.78, cy + (py - cy) * 0.78) for px_, py in pts]
        d.polygon(inner, fill=(236, 226, 190, 255))
        lower = [(cx + (px_ - cx) * 0.78, cy + (py - cy) * 0.78) for px_, py in pts]
        lower = [lower[0], (lower[1][0], cy), lower[2]] if direction < 0 else [lower[0], (lower[1][0], cy), lower[2]]
        d.polygon(lower, fill=(206, 190, 146, 255))
        del inset
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
    d = ImageDraw.Draw(img)
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
    del d
    return img


# ---- Icon strip ----

def make_icon_strip():
    return rgba(4360, 40)


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
