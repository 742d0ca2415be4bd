// The text renderer: PLAIN interface strings and the PREVIEW of the current box.
//
// The font sheet is decoded once by InitRenderer and tinted once per text colour; a CC_COLOR
// only switches to the matching tinted sheet. Tinting always starts from the untinted sheet, so
// the picture is the same as decoding the sheet afresh and tinting it at every colour code
// (RenderState::DecodeEveryCall keeps that slow path for comparison).
#include "text_render.h"
#include "assets.h"
#include "encoding.h"
#include "glyph_table.h"
#include "sound_table.h"
#include "text_measure.h"

const uint32_t TextColorTable[TEXT_COLOR_COUNT] = {
    0xFFFFFF, // 0x40 white
    0xFF0000, // 0x41 red
    0x00FF00, // 0x42 green
    0x0000FF, // 0x43 blue
    0x00FFFF, // 0x44 cyan
    0xFF00FF, // 0x45 magenta
    0xFFFF00, // 0x46 yellow
    0x000000, // 0x47 black
};

// ---- Font sheet surfaces ----
// A 32-bit surface whose bytes lie in memory as red, green, blue, alpha: the layout TintFont
// works on, whatever the machine's byte order.
static SDL_Surface* NewRgbaSurface(int w, int h)
{
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    return SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, 0x000000FF, 0x0000FF00,
                                0x00FF0000, 0xFF000000);
#else
    return SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, 0xFF000000, 0x00FF0000,
                                0x0000FF00, 0x000000FF);
#endif
}

// Decodes the embedded font sheet into the red-green-blue-alpha byte layout. NULL on failure.
static SDL_Surface* DecodeFontSheet()
{
    SDL_Surface* decoded = DecodeEmbeddedImage(IMAGE_FONT_SHEET);
    if (!decoded) return NULL;
    SDL_Surface* layout = NewRgbaSurface(1, 1);
    if (!layout)
    {
        SDL_FreeSurface(decoded);
        return NULL;
    }
    // SDL_ConvertSurface copies the alpha channel as it is (no blending).
    SDL_Surface* sheet = SDL_ConvertSurface(decoded, layout->format, SDL_SWSURFACE);
    SDL_FreeSurface(layout);
    SDL_FreeSurface(decoded);
    if (sheet) SDL_SetAlpha(sheet, SDL_SRCALPHA, 255);
    return sheet;
}

// A tinted copy of the sheet.
static SDL_Surface* MakeTintedSheet(SDL_Surface* sheet, uint32_t colour)
{
    SDL_Surface* copy = SDL_ConvertSurface(sheet, sheet->format, SDL_SWSURFACE);
    if (!copy) return NULL;
    TintFont(copy, colour);
    SDL_SetAlpha(copy, SDL_SRCALPHA, 255);
    return copy;
}

void TintFont(SDL_Surface* fontSurface, uint32_t colour)
{
    if (!fontSurface || fontSurface->format->BytesPerPixel != 4) return;
    // Factor (256 - k) mod 256: component 0xFF keeps the byte, 0x00 clears it.
    const uint8_t factor[3] = {
        (uint8_t)(256 - ((colour >> 16) & 0xFF)),
        (uint8_t)(256 - ((colour >> 8) & 0xFF)),
        (uint8_t)(256 - (colour & 0xFF)),
    };
    if (SDL_MUSTLOCK(fontSurface)) SDL_LockSurface(fontSurface);
    for (int y = 0; y < fontSurface->h; y++)
    {
        uint8_t* p = (uint8_t*)fontSurface->pixels + y * fontSurface->pitch;
        for (int x = 0; x < fontSurface->w; x++, p += 4)
        {
            p[0] = (uint8_t)(p[0] * factor[0]);
            p[1] = (uint8_t)(p[1] * factor[1]);
            p[2] = (uint8_t)(p[2] * factor[2]);
        }
    }
    if (SDL_MUSTLOCK(fontSurface)) SDL_UnlockSurface(fontSurface);
}

// ---- Start and end ----
bool InitRenderer(RenderState& render, SDL_Surface* iconStrip)
{
    ShutdownRenderer(render);
    render.IconStrip = iconStrip;
    SDL_Surface* sheet = DecodeFontSheet();
    if (!sheet) return false;
    bool ok = true;
    for (int c = 0; c < TEXT_COLOR_COUNT; c++)
    {
        render.TintedFont[c] = MakeTintedSheet(sheet, TextColorTable[c]);
        if (!render.TintedFont[c]) ok = false;
    }
    SDL_FreeSurface(sheet);
    if (!ok) ShutdownRenderer(render);
    return ok;
}

void ShutdownRenderer(RenderState& render)
{
    for (int c = 0; c < TEXT_COLOR_COUNT; c++)
    {
        if (render.TintedFont[c]) SDL_FreeSurface(render.TintedFont[c]);
        render.TintedFont[c] = nullptr;
    }
}

// ---- Drawing helpers ----
static int ColourIndex(uint8_t argument)
{
    // Arguments outside the table draw white.
    return argument >= COLOR_FIRST && argument <= COLOR_LAST ? argument - COLOR_FIRST : 0;
}

// The font surface of one colour: the cached tinted sheet, or (slow path) a freshly decoded and
// tinted one that replaces *owned.
static SDL_Surface* SelectFont(RenderState& render, int colourIndex, bool tint, SDL_Surface** owned)
{
    if (!render.DecodeEveryCall) return render.TintedFont[colourIndex];
    if (*owned) SDL_FreeSurface(*owned);
    *owned = DecodeFontSheet();
    if (*owned)
    {
        if (tint) TintFont(*owned, TextColorTable[colourIndex]);
        SDL_SetAlpha(*owned, SDL_SRCALPHA, 255);
    }
    return *owned;
}

// Blends a 16 x 16 font cell onto a 32-bit surface by the glyph's alpha. Done here rather than
// by SDL's blitter, whose approximate blend turns an opaque red glyph pixel into (255, 1, 1):
// opaque pixels are copied exactly and transparent ones leave the surface alone. Cells outside
// the sheet draw nothing.
static void BlitCell(SDL_Surface* font, int cell, SDL_Surface* surface, int x, int y)
{
    if (!font || cell < 0 || cell >= FONT_CELL_COUNT) return;
    const int sx = (cell % FONT_COLUMNS) * FONT_CELL_SIZE, sy = (cell / FONT_COLUMNS) * FONT_CELL_SIZE;
    if (sx + FONT_CELL_SIZE > font->w || sy + FONT_CELL_SIZE > font->h) return;
    if (x <= -FONT_CELL_SIZE || y <= -FONT_CELL_SIZE || x >= surface->w || y >= surface->h) return;
    const SDL_PixelFormat* sf = font->format;
    const SDL_PixelFormat* df = surface->format;
#ifdef __EMSCRIPTEN__
    // In the browser every surface is a canvas: the canvas blends a blit exactly, while locking
    // copies the whole canvas out and back for every glyph.
    const bool byBlit = true;
#else
    const bool byBlit = sf->BytesPerPixel != 4 || df->BytesPerPixel != 4;
#endif
    if (byBlit)
    {
        SDL_Rect src = { (Sint16)sx, (Sint16)sy, FONT_CELL_SIZE, FONT_CELL_SIZE };
        SDL_Rect dst = { (Sint16)x, (Sint16)y, 0, 0 };
        SDL_BlitSurface(font, &src, surface, &dst);
        return;
    }
    const int x0 = x < 0 ? -x : 0, y0 = y < 0 ? -y : 0;
    const int x1 = x + FONT_CELL_SIZE > surface->w ? surface->w - x : FONT_CELL_SIZE;
    const int y1 = y + FONT_CELL_SIZE > surface->h ? surface->h - y : FONT_CELL_SIZE;
    const Uint32 colourMask = df->Rmask | df->Gmask | df->Bmask;
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    for (int row = y0; row < y1; row++)
    {
        const Uint32* s = (const Uint32*)((const Uint8*)font->pixels + (sy + row) * font->pitch) + sx;
        Uint32* d = (Uint32*)((Uint8*)surface->pixels + (y + row) * surface->pitch) + x;
        for (int col = x0; col < x1; col++)
        {
            const Uint32 sp = s[col];
            const Uint32 a = sf->Amask ? (sp & sf->Amask) >> sf->Ashift : 255;
            if (a == 0) continue;
            const Uint32 sr = (sp >> sf->Rshift) & 0xFF, sg = (sp >> sf->Gshift) & 0xFF, sb = (sp >> sf->Bshift) & 0xFF;
            Uint32 r = sr, g = sg, b = sb;
            const Uint32 dp = d[col];
            if (a != 255)
            {
                const Uint32 dr = (dp >> df->Rshift) & 0xFF, dg = (dp >> df->Gshift) & 0xFF, db = (dp >> df->Bshift) & 0xFF;
                r = (sr * a + dr * (255 - a) + 127) / 255;
                g = (sg * a + dg * (255 - a) + 127) / 255;
                b = (sb * a + db * (255 - a) + 127) / 255;
            }
            d[col] = (dp & ~colourMask) | r << df->Rshift | g << df->Gshift | b << df->Bshift;
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

static void FillClipped(SDL_Surface* surface, int x, int y, int w, int h, Uint32 pixel)
{
    if (x >= surface->w || y >= surface->h || x + w <= 0 || y + h <= 0) return;
    SDL_Rect r = { (Sint16)x, (Sint16)y, (Uint16)w, (Uint16)h };
    SDL_FillRect(surface, &r, pixel);
}

// Unassigned bytes have no cell: a small hollow box in the current colour stands for them.
static void DrawHollowBox(SDL_Surface* surface, int x, int y, uint32_t colour)
{
    Uint32 pixel = SDL_MapRGB(surface->format, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
    const int left = x + 1, top = y + 4, w = 5, h = 9;
    FillClipped(surface, left, top, w, 1, pixel);
    FillClipped(surface, left, top + h - 1, w, 1, pixel);
    FillClipped(surface, left, top, 1, h, pixel);
    FillClipped(surface, left + w - 1, top, 1, h, pixel);
}

// Where a code stands that the game draws nothing for: a small downward wedge at the top of the
// line, of no width, so the line keeps the game's measure.
static void DrawCodeMarker(SDL_Surface* surface, int x, int y, Uint32 pixel)
{
    FillClipped(surface, x - 2, y, 5, 1, pixel);
    FillClipped(surface, x - 1, y + 1, 3, 1, pixel);
    FillClipped(surface, x, y + 2, 1, 2, pixel);
}

// Where the game writes in a number or a time: a typical value in the current colour, underlined
// in the marker colour so that it is not taken for text of the message.
static void DrawStandIn(SDL_Surface* font, SDL_Surface* surface, const char* standIn, int x, int y, Uint32 pixel)
{
    int left = x;
    for (const char* c = standIn; *c; c++)
    {
        BlitCell(font, GlyphCell((uint8_t)*c), surface, x, y);
        x += GlyphAdvance((uint8_t)*c);
    }
    FillClipped(surface, left, y + FONT_CELL_SIZE - 2, x - left, 1, pixel);
}

static bool Between(uint32_t i, uint32_t a, uint32_t b)
{
    return a <= b ? (a <= i && i <= b) : (b <= i && i <= a);
}

// ---- DrawEncodedText ----
void DrawEncodedText(RenderState& render, MessageStore& store, SDL_Rect position, uint32_t start,
                     SDL_Surface* surface, TextDrawMode mode, const uint8_t* text, bool fixedAdvance)
{
    if (!surface || !text) return;
    const bool preview = mode == PREVIEW;
    SDL_Surface* owned = nullptr;
    int colour = 0;
    SDL_Surface* font = SelectFont(render, colour, false, &owned);

    TextPen pen = { position.x, position.y, position.x };
    uint32_t textEnd = preview && text == store.EditBuffer ? EditTextLength(store) : TEXT_END_UNKNOWN;
    if (preview)
    {
        pen.Y = PreviewFirstLineY(text, start, textEnd);
        render.ShownIcon = NO_ICON;
        render.ShownSound = SOUND_COUNT;
        if (store.Cursor == 0) BlitCell(font, CURSOR_CELL, surface, pen.X, pen.Y);
    }
    const Uint32 highlight = SDL_MapRGB(surface->format, (SELECTION_HIGHLIGHT >> 16) & 0xFF,
                                        (SELECTION_HIGHLIGHT >> 8) & 0xFF, SELECTION_HIGHLIGHT & 0xFF);
    const Uint32 marker = SDL_MapRGB(surface->format, (CODE_MARKER_COLOUR >> 16) & 0xFF,
                                     (CODE_MARKER_COLOUR >> 8) & 0xFF, CODE_MARKER_COLOUR & 0xFF);

    uint32_t i = start;
    for (;;)
    {
        uint8_t b = text[i];
        // A zero byte inside the box text draws as an unassigned byte, so the rest stays visible.
        if (EndsTextAt(text, i, textEnd))
        {
            if (preview && b != TEXT_NUL) render.EndMarkerCell = b == CC_END ? 32 : 0;
            break;
        }
        // A code whose argument is cut off by the end of the text ends the drawing there.
        int arguments = ControlArgumentCount(b);
        if (arguments >= 1 && ArgumentsCutOff(text, i, arguments, textEnd)) break;
        uint32_t next = i + 1 + arguments;

        if (b == CC_LINE_BREAK || b == CC_SHIFT)
            AdvancePen(pen, text + i, fixedAdvance);
        else if (b == CC_COLOR)
        {
            colour = ColourIndex(text[i + 1]);
            font = SelectFont(render, colour, true, &owned);
        }
        else if (b == CC_SOUND)
        {
            if (preview) render.ShownSound = (uint8_t)FindSoundIndex((uint16_t)(text[i + 1] << 8 | text[i + 2]));
        }
        else if (b == CC_ICON)
        {
            AdvancePen(pen, text + i, fixedAdvance);
            uint8_t n = render.PendingIcon != NO_ICON ? render.PendingIcon : text[i + 1];
            int cellX = IconCell(n) * ICON_SIZE;
            if (render.IconStrip && cellX + ICON_SIZE <= render.IconStrip->w)
            {
                SDL_Rect src = { (Sint16)cellX, 0, ICON_SIZE, ICON_SIZE };
                SDL_Rect dst = { ICON_ANCHOR_X, ICON_ANCHOR_Y, 0, 0 };
                SDL_BlitSurface(render.IconStrip, &src, surface, &dst);
            }
            if (preview) render.ShownIcon = n;
            bool removed = false;
            if (preview && render.PendingIcon == REMOVE_ICON)
            {
                uint32_t before = EditTextLength(store);
                SetBoxIcon(store, i, 0, CODE_REMOVE);
                render.PendingIcon = NO_ICON;
                uint32_t after = EditTextLength(store);
                removed = after + 2 == before;
                if (textEnd != TEXT_END_UNKNOWN) textEnd = after;
            }
            else if (preview && render.PendingIcon != NO_ICON)
            {
                SetBoxIcon(store, 0, n, CODE_REPLACE);
                render.PendingIcon = NO_ICON;
            }
            if (removed)
            {
                // The code is gone: the rest of the text moved down onto index i and is drawn
                // from there, without the indent and as a box without icon.
                pen.X -= ICON_INDENT;
                pen.LineStartX -= ICON_INDENT;
                render.ShownIcon = NO_ICON;
                next = i;
            }
        }
        else if (ControlCode(b).Look == LOOK_MARKER)
            DrawCodeMarker(surface, pen.X, pen.Y, marker);
        else
        {
            // A glyph: a character, the player portrait, an unassigned byte, or the stand-in of
            // a value the game writes in.
            const char* standIn = ControlCode(b).StandIn;
            int cell = b == CC_PLAYER ? PLAYER_CELL : GlyphCell(b);
            int hitWidth = standIn ? StandInWidth(b) : b == CC_PLAYER ? PLAYER_HIT_WIDTH : GlyphAdvance(b);
            if (preview)
            {
                uint32_t index = i - start;
                bool under = pen.X <= render.PointerX && render.PointerX <= pen.X + hitWidth &&
                             pen.Y <= render.PointerY && render.PointerY <= pen.Y + FONT_CELL_SIZE;
                if (render.SelectionState == SELECT_PRESSED && under)
                {
                    render.Selection.SelectionAnchor = index;
                    store.Cursor = index;
                    render.SelectionState = SELECT_DRAGGING;
                }
                if (render.SelectionState == SELECT_DRAGGING && under) render.Selection.SelectionEnd = index;
                const TextSelection& s = render.Selection;
                if (render.SelectionState > SELECT_PRESSED && s.SelectionAnchor != s.SelectionEnd &&
                    Between(index, s.SelectionAnchor, s.SelectionEnd))
                    FillClipped(surface, pen.X, pen.Y, hitWidth, FONT_CELL_SIZE, highlight);
            }
            if (standIn)
                DrawStandIn(font, surface, standIn, pen.X, pen.Y, marker);
            else if (b == CC_PLAYER || cell >= 0)
                BlitCell(font, cell, surface, pen.X, pen.Y);
            else
                DrawHollowBox(surface, pen.X, pen.Y, TextColorTable[colour]);
            AdvancePen(pen, text + i, fixedAdvance);
        }

        if (preview && next - start == store.Cursor && next != i)
            BlitCell(font, CURSOR_CELL, surface, pen.X, pen.Y);
        i = next;
    }

    if (preview && render.PendingIcon != NO_ICON && render.PendingIcon != REMOVE_ICON &&
        render.ShownIcon == NO_ICON)
    {
        SetBoxIcon(store, start, render.PendingIcon, CODE_INSERT);
        render.PendingIcon = NO_ICON;
    }
    if (owned) SDL_FreeSurface(owned);
}
