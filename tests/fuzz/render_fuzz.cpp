// Fuzz target for the text renderer: DrawEncodedText in PLAIN and PREVIEW mode over arbitrary
// bytes, with arbitrary start index, position, cursor, selection state, pointer and pending
// icon, onto the screen surface of SDL's dummy video driver. Invariants: no access outside the
// text, the surface or the store (the sanitizers), EditBuffer keeps its TEXT_NUL and ends at its
// terminator after an icon edit, and a cursor set by the pointer lies inside the text.
//
// Input layout: byte 0 mode and flags, byte 1 selection state, bytes 2-3 cursor, bytes 4-7
// selection anchor and end, bytes 8-11 pointer x and y, bytes 12-15 position x and y, byte 16
// pending icon, byte 17 start index, then the text.
#include "text_render.h"
#include "assets.h"
#include "encoding.h"
#include "fuzz_common.h"

#include <cstdlib>
#include <cstring>

static SDL_Surface* Screen = nullptr;
static RenderState Render;
static SDL_Surface* Icons = nullptr;

static void SetUp()
{
    if (Screen) return;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    FUZZ_CHECK(SDL_Init(SDL_INIT_VIDEO) == 0, "SDL_Init failed under the dummy driver");
    Screen = SDL_SetVideoMode(800, 340, 32, SDL_SWSURFACE);
    FUZZ_CHECK(Screen != nullptr, "no dummy screen");
    Icons = DecodeEmbeddedImage(IMAGE_ICON_STRIP);
    FUZZ_CHECK(Icons != nullptr && InitRenderer(Render, Icons), "renderer could not start");
}

// True when the text is one box by the element walk: its first terminator is its last byte.
static bool EndsAtItsTerminator(const uint8_t* text, uint32_t length)
{
    bool terminated = false;
    return BoxTextLength(text, length, &terminated) == length && terminated;
}

static int16_t Signed16(const uint8_t* p) { return (int16_t)(uint16_t)(p[0] << 8 | p[1]); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 18) return 0;
    SetUp();
    static MessageStore store; // the renderer only touches EditBuffer, Cursor and the icon edits
    uint8_t flags = bytes[0];
    bool preview = flags & 1;
    bool fixedAdvance = flags & 2;
    Render.SelectionState = bytes[1] % 4 == 3 ? SEARCH_TYPING : bytes[1] % 4;
    Render.Selection.SelectionAnchor = (uint32_t)(bytes[4] << 8 | bytes[5]);
    Render.Selection.SelectionEnd = (uint32_t)(bytes[6] << 8 | bytes[7]);
    Render.PointerX = Signed16(bytes + 8);
    Render.PointerY = Signed16(bytes + 10);
    SDL_Rect position = { Signed16(bytes + 12), Signed16(bytes + 14), 0, 0 };
    Render.PendingIcon = bytes[16] >= 0xF0 ? (bytes[16] & 1 ? NO_ICON : REMOVE_ICON) : bytes[16];
    if (!(flags & 4)) Render.PendingIcon = NO_ICON;

    const uint8_t* text = bytes + 18;
    size_t length = size - 18;
    if (preview)
    {
        // The preview draws EditBuffer, as the frame does; a box as the store would hold it.
        if (length > EDIT_TEXT_MAX) length = EDIT_TEXT_MAX;
        memset(store.EditBuffer, 0, sizeof(store.EditBuffer));
        memcpy(store.EditBuffer, text, length);
        store.BoxLoaded = true;
        store.BoxReadOnly = false;
        store.EditState = EDIT_UNCHANGED;
        store.Cursor = (uint32_t)(bytes[2] << 8 | bytes[3]);
        uint32_t before = EditTextLength(store);
        bool wellFormed = EndsAtItsTerminator(store.EditBuffer, before);
        uint32_t cursor = store.Cursor;
        DrawEncodedText(Render, store, position, 0, Screen, PREVIEW, store.EditBuffer, fixedAdvance);
        uint32_t after = EditTextLength(store);
        FUZZ_CHECK(after <= EDIT_TEXT_MAX, "EditBuffer lost its TEXT_NUL");
        // A box as the store holds it stays one after an icon edit (arbitrary bytes need not be).
        if (store.EditState == EDIT_MODIFIED && wellFormed)
            FUZZ_CHECK(EndsAtItsTerminator(store.EditBuffer, after), "an icon edit broke the box's end");
        if (store.Cursor != cursor)
        {
            FUZZ_CHECK(store.Cursor < after, "the pointer put the cursor outside the text");
            FUZZ_CHECK(ElementStartOf(store.EditBuffer, 0, store.Cursor) == store.Cursor,
                       "the pointer put the cursor inside a code");
        }
    }
    else
    {
        // Interface strings: any bytes, ended by TEXT_NUL, drawn from any index inside them.
        uint8_t* plain = (uint8_t*)malloc(length + 1);
        memcpy(plain, text, length);
        plain[length] = TEXT_NUL;
        uint32_t start = length ? bytes[17] % (uint32_t)(length + 1) : 0;
        DrawEncodedText(Render, store, position, start, Screen, PLAIN, plain, fixedAdvance);
        free(plain);
    }
    return 0;
}
