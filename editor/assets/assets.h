// The eleven PNG images the editor carries in its own data, and their decoding from memory.
#pragma once
#include <cstddef>

struct SDL_Surface;

// A fixed underlying type: any int is a value of the enum, so an id from outside the table
// (a bad index, a cast) is a defined value that GetEmbeddedImage can refuse.
enum ImageId : int
{
    IMAGE_WINDOW_ICON,     // window_icon.png      26 x 32 RGBA
    IMAGE_BACKGROUND,      // background.png      400 x 340 RGB
    IMAGE_PANEL,           // panel.png           400 x 340 RGB
    IMAGE_BOX_BLACK,       // box_black.png       400 x 300 RGBA (BoxType 0)
    IMAGE_BOX_SIGN,        // box_sign.png        400 x 300 RGBA (BoxType 1)
    IMAGE_BOX_BLUE,        // box_blue.png        400 x 300 RGBA (BoxType 2)
    IMAGE_BOX_STAFF,       // box_staff.png       400 x 300 RGBA (BoxType 3)
    IMAGE_BOX_END_MARKERS, // box_end_markers.png  48 x 16 RGBA
    IMAGE_ICON_STRIP,      // icon_strip.png     4360 x 40 RGBA
    IMAGE_ICON_FRAME,      // icon_frame.png       40 x 40 RGBA
    IMAGE_FONT_SHEET,      // font_sheet.png      160 x 240 RGBA
    IMAGE_COUNT
};

struct EmbeddedImage
{
    const char* Name;            // file name in editor/assets/
    const unsigned char* Bytes;  // the PNG file's bytes
    size_t Size;
};

const EmbeddedImage& GetEmbeddedImage(ImageId id);

// Decodes an embedded PNG with SDL_RWFromMem and IMG_LoadPNG_RW. NULL when it cannot be decoded.
SDL_Surface* DecodeEmbeddedImage(ImageId id);
