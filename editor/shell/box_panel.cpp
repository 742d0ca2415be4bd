// Box Options panel: icon, sound, position and type of the current box.
#include "shell.h"
#include "encoding.h"
#include "sound_table.h"

// ---- Layout ---------------------------------------------------------------------------------
const int ICON_STRIP_X = 460, ICON_STRIP_Y = 40;
const int ICONS_PER_PAGE = 8;
const int ICON_PAGE_WIDTH = ICONS_PER_PAGE * ICON_SIZE;   // 320
const int NO_ICON_CELL = 108;                            // the picture that stands for no icon
const int ICON_SCROLL_LAST = 4160;                        // page of cells 104 to 108
const int SOUND_NAME_X = 481, SOUND_Y = 100;
const int POSITION_LINE_X = 440, POSITION_LINE_Y = 164;
const int TYPE_LINE_X = 440, TYPE_LINE_Y = 219;

// Icon numbers the strip's cells stand for: cells 0 to 89 are icons 0 to 89, cells 90 to 107
// icons 102 to 119.
const int LAST_LOW_ICON_CELL = 89;
const int HIGH_ICON_CELL_OFFSET = 12;

// Option lines: the chosen option between yellow and white colour codes, the rest white.
#define YELLOW "\x05\x46"
#define WHITE "\x05\x40"
#define LINE_BREAK "\x01"
#define SECOND_TYPE_ROW LINE_BREAK LINE_BREAK

static const char* const POSITION_LINES[3] = {
    " " YELLOW " Bottom" WHITE "        Center        Top",
    "  Bottom        Center       " YELLOW " Top" WHITE,
    "  Bottom       " YELLOW " Center" WHITE "        Top",
};

static const char* const TYPE_LINES[6] = {
    " " YELLOW " Black" WHITE "       Sign        Blue        Staff" SECOND_TYPE_ROW
        "  None       None (not-emulated black text)",
    "  Black      " YELLOW " Sign" WHITE "        Blue        Staff" SECOND_TYPE_ROW
        "  None       None (not-emulated black text)",
    "  Black       Sign       " YELLOW " Blue" WHITE "        Staff" SECOND_TYPE_ROW
        "  None       None (not-emulated black text)",
    "  Black       Sign        Blue       " YELLOW " Staff" WHITE SECOND_TYPE_ROW
        "  None       None (not-emulated black text)",
    "  Black       Sign        Blue        Staff" SECOND_TYPE_ROW
        " " YELLOW " None" WHITE "       None (not-emulated black text)",
    "  Black       Sign        Blue        Staff" SECOND_TYPE_ROW
        "  None      " YELLOW " None (not-emulated black text)" WHITE,
};

#undef YELLOW
#undef WHITE
#undef LINE_BREAK
#undef SECOND_TYPE_ROW

static const uint8_t* Encoded(const char* text) { return (const uint8_t*)text; }

// The position line for a BoxPosition: 1 Top, 2 Center, every other value Bottom.
static const char* PositionLine(uint8_t position)
{
    return position == 1 || position == 2 ? POSITION_LINES[position] : POSITION_LINES[0];
}

// The type line for a BoxType: 0 to 3 and 5 as themselves, 4 and 6 to 15 as None.
static const char* TypeLine(uint8_t type)
{
    return type <= 3 || type == 5 ? TYPE_LINES[type] : TYPE_LINES[4];
}

// IconStrip cell of the box's icon: the no-icon picture when it has none.
static int ShownIconCell(uint8_t shownIcon)
{
    return shownIcon == NO_ICON ? NO_ICON_CELL : IconCell(shownIcon);
}

int16_t IconScrollFor(uint8_t icon)
{
    return (int16_t)(ShownIconCell(icon) / ICONS_PER_PAGE * ICON_PAGE_WIDTH);
}

// ---- Drawing --------------------------------------------------------------------------------
void DrawBoxPanel(Editor& editor)
{
    ShellState& shell = editor.Shell;
    DrawPlainText(editor, 450, 16, Encoded("Box Options"));
    DrawPlainText(editor, 416, 50, Encoded("Icon: <                                              >"));

    // SDL clips the source rectangle to the strip, so the last page shows its five cells only.
    SDL_Surface* strip = shell.Images[IMAGE_ICON_STRIP];
    if (strip)
    {
        SDL_Rect source = { shell.IconScroll, 0, (Uint16)ICON_PAGE_WIDTH, (Uint16)ICON_SIZE };
        SDL_Rect target = { ICON_STRIP_X, ICON_STRIP_Y, 0, 0 };
        SDL_BlitSurface(strip, &source, shell.Screen, &target);
    }
    // The frame only on the page that holds the box's icon.
    int cell = ShownIconCell(editor.Render.ShownIcon);
    SDL_Surface* frame = shell.Images[IMAGE_ICON_FRAME];
    if (frame && shell.IconScroll <= cell * ICON_SIZE && cell * ICON_SIZE < shell.IconScroll + ICON_PAGE_WIDTH)
    {
        SDL_Rect target = { (Sint16)(ICON_STRIP_X + (cell % ICONS_PER_PAGE) * ICON_SIZE), ICON_STRIP_Y, 0, 0 };
        SDL_BlitSurface(frame, nullptr, shell.Screen, &target);
    }

    DrawPlainText(editor, 416, SOUND_Y, Encoded("Sound: <                                >"));
    // A value out of range can only come from outside the panel; it is shown as "No Sound".
    int sound = editor.Render.ShownSound <= SOUND_COUNT ? editor.Render.ShownSound : SOUND_COUNT;
    DrawPlainText(editor, SOUND_NAME_X, SOUND_Y, Encoded(SoundNameTable[sound]));

    uint8_t typeByte = editor.Store.CurrentEntry[2];
    DrawPlainText(editor, 416, 140, Encoded("Message Location (not emulated):"));
    DrawPlainText(editor, POSITION_LINE_X, POSITION_LINE_Y, Encoded(PositionLine(typeByte & 0x0F)));
    DrawPlainText(editor, 416, 195, Encoded("Message Type:"));
    DrawPlainText(editor, TYPE_LINE_X, TYPE_LINE_Y, Encoded(TypeLine(typeByte >> 4)));
}

// ---- Clicks ---------------------------------------------------------------------------------
static bool Inside(int x, int y, int left, int right, int top, int bottom)
{
    return x >= left && x <= right && y >= top && y <= bottom;
}

// Every area is tested for every click, in this order: the scroll arrows overlap the strip,
// so a click at x 460 or 461 scrolls first and then picks from the page now shown.
void BoxPanelClick(Editor& editor, int x, int y)
{
    ShellState& shell = editor.Shell;
    RenderState& render = editor.Render;
    MessageStore& store = editor.Store;

    if (Inside(x, y, 451, 461, 48, 64) && shell.IconScroll != 0)
        shell.IconScroll = (int16_t)(shell.IconScroll - ICON_PAGE_WIDTH);
    if (Inside(x, y, 782, 882, 48, 64) && shell.IconScroll < ICON_SCROLL_LAST)
        shell.IconScroll = (int16_t)(shell.IconScroll + ICON_PAGE_WIDTH);

    if (Inside(x, y, ICON_STRIP_X, ICON_STRIP_X + ICON_PAGE_WIDTH - 1, ICON_STRIP_Y, ICON_STRIP_Y + ICON_SIZE))
    {
        int cell = (x - ICON_STRIP_X) / ICON_SIZE + shell.IconScroll / ICON_SIZE;
        if (cell <= LAST_LOW_ICON_CELL) render.PendingIcon = (uint8_t)cell;
        else if (cell < NO_ICON_CELL) render.PendingIcon = (uint8_t)(cell + HIGH_ICON_CELL_OFFSET);
        // The no-icon picture and the empty places remove the icon. A box without one has
        // nothing to remove: a removal left pending would take the icon of the next box shown.
        else render.PendingIcon = render.ShownIcon == NO_ICON ? NO_ICON : REMOVE_ICON;
    }

    // Sound arrows: the list wraps through "No Sound" (index SOUND_COUNT), where the code is
    // removed; leaving it inserts a code at the start of the box.
    if (Inside(x, y, 463, 476, 100, 118))
    {
        if (render.ShownSound == 0)
        {
            render.ShownSound = SOUND_COUNT;
            SetBoxSound(store, 0, SOUND_COUNT, CODE_REMOVE);
        }
        else if (render.ShownSound >= SOUND_COUNT)
        {
            render.ShownSound = SOUND_COUNT - 1;
            SetBoxSound(store, 0, SOUND_COUNT - 1, CODE_INSERT);
        }
        else
        {
            render.ShownSound--;
            SetBoxSound(store, 0, render.ShownSound, CODE_REPLACE);
        }
    }
    if (Inside(x, y, 693, 704, 100, 118))
    {
        int next = render.ShownSound + 1;
        if (next > SOUND_COUNT) next = 0;
        render.ShownSound = (uint8_t)next;
        if (next == SOUND_COUNT) SetBoxSound(store, 0, SOUND_COUNT, CODE_REMOVE);
        else if (next == 0) SetBoxSound(store, 0, 0, CODE_INSERT);
        else SetBoxSound(store, 0, next, CODE_REPLACE);
    }

    if (y >= 162 && y <= 180)
    {
        if (x >= 448 && x <= 504) SetBoxPosition(store, 0);
        if (x >= 552 && x <= 602) SetBoxPosition(store, 2);
        if (x >= 653 && x <= 681) SetBoxPosition(store, 1);
    }
    if (y >= 218 && y <= 235)
    {
        if (x >= 448 && x <= 489) SetBoxType(store, 0);
        if (x >= 530 && x <= 565) SetBoxType(store, 1);
        if (x >= 616 && x <= 645) SetBoxType(store, 2);
        if (x >= 695 && x <= 730) SetBoxType(store, 3);
    }
    if (y >= 250 && y <= 265)
    {
        if (x >= 450 && x <= 490) SetBoxType(store, 4);
        if (x >= 530 && x <= 740) SetBoxType(store, 5);
    }
}
