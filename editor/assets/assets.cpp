#include "assets.h"
#include <SDL.h>
#include <SDL_image.h>

// ---- Embedded bytes ----
// The arrays are generated at build time from the committed PNG files (embed_images.cmake).
#define EMBEDDED_IMAGE(sym) extern const unsigned char sym[]; extern const size_t sym##_SIZE;
EMBEDDED_IMAGE(EMBEDDED_window_icon_png)
EMBEDDED_IMAGE(EMBEDDED_background_png)
EMBEDDED_IMAGE(EMBEDDED_panel_png)
EMBEDDED_IMAGE(EMBEDDED_box_black_png)
EMBEDDED_IMAGE(EMBEDDED_box_sign_png)
EMBEDDED_IMAGE(EMBEDDED_box_blue_png)
EMBEDDED_IMAGE(EMBEDDED_box_staff_png)
EMBEDDED_IMAGE(EMBEDDED_box_end_markers_png)
EMBEDDED_IMAGE(EMBEDDED_icon_strip_png)
EMBEDDED_IMAGE(EMBEDDED_icon_frame_png)
EMBEDDED_IMAGE(EMBEDDED_font_sheet_png)
#undef EMBEDDED_IMAGE

// ---- Image table ----
// Filled on first use: the sizes live in another translation unit, so they are read at run
// time rather than copied by static initialisation (whose order across files is not fixed).
static const EmbeddedImage* ImageTable()
{
    static const EmbeddedImage table[IMAGE_COUNT] = {
        { "window_icon.png",     EMBEDDED_window_icon_png,     EMBEDDED_window_icon_png_SIZE },
        { "background.png",      EMBEDDED_background_png,      EMBEDDED_background_png_SIZE },
        { "panel.png",           EMBEDDED_panel_png,           EMBEDDED_panel_png_SIZE },
        { "box_black.png",       EMBEDDED_box_black_png,       EMBEDDED_box_black_png_SIZE },
        { "box_sign.png",        EMBEDDED_box_sign_png,        EMBEDDED_box_sign_png_SIZE },
        { "box_blue.png",        EMBEDDED_box_blue_png,        EMBEDDED_box_blue_png_SIZE },
        { "box_staff.png",       EMBEDDED_box_staff_png,       EMBEDDED_box_staff_png_SIZE },
        { "box_end_markers.png", EMBEDDED_box_end_markers_png, EMBEDDED_box_end_markers_png_SIZE },
        { "icon_strip.png",      EMBEDDED_icon_strip_png,      EMBEDDED_icon_strip_png_SIZE },
        { "icon_frame.png",      EMBEDDED_icon_frame_png,      EMBEDDED_icon_frame_png_SIZE },
        { "font_sheet.png",      EMBEDDED_font_sheet_png,      EMBEDDED_font_sheet_png_SIZE },
    };
    return table;
}

const EmbeddedImage& GetEmbeddedImage(ImageId id)
{
    // An id outside the enum gets an empty record rather than a read past the table.
    static const EmbeddedImage none = { "", nullptr, 0 };
    if ((int)id < 0 || (int)id >= IMAGE_COUNT) return none;
    return ImageTable()[id];
}

// ---- Decoding ----
SDL_Surface* DecodeEmbeddedImage(ImageId id)
{
    const EmbeddedImage& image = GetEmbeddedImage(id);
    if (!image.Bytes || image.Size == 0) return NULL;
    SDL_RWops* stream = SDL_RWFromMem((void*)image.Bytes, (int)image.Size);
#ifdef __EMSCRIPTEN__
    // The browser build's SDL_image has no PNG-only call; it decodes memory with stb_image
    // (linked with -sSTB_IMAGE=1) and frees the stream itself. Its streams are table indexes,
    // so the first one is 0 and not a failure.
    return IMG_Load_RW(stream, 1);
#else
    if (!stream) return NULL;
    SDL_Surface* surface = IMG_LoadPNG_RW(stream);
    SDL_RWclose(stream); // IMG_LoadPNG_RW leaves the stream open
    return surface;
#endif
}
