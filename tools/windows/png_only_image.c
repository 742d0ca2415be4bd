/* A stand-in for SDL_image 1.2 with only its PNG loader, built on libpng. Used by the Windows
   build only when Debian's sdl-image1.2 source cannot be fetched from the configured mirror;
   the editor calls nothing else of the library. Surfaces come out as SDL_image makes them for
   truecolour PNG files: 24-bit RGB or 32-bit RGBA, bytes in file order. */
#include <SDL.h>
#include <png.h>
#include <stdlib.h>
#include "SDL_image.h"

static void ReadFromStream(png_structp png, png_bytep data, png_size_t size)
{
    SDL_RWops* src = (SDL_RWops*)png_get_io_ptr(png);
    if (SDL_RWread(src, data, 1, (int)size) != (int)size) png_error(png, "Read error");
}

int IMG_isPNG(SDL_RWops* src)
{
    unsigned char magic[8];
    int start = SDL_RWtell(src), is = 0;
    if (SDL_RWread(src, magic, 1, 8) == 8) is = png_sig_cmp(magic, 0, 8) == 0;
    SDL_RWseek(src, start, RW_SEEK_SET);
    return is;
}

SDL_Surface* IMG_LoadPNG_RW(SDL_RWops* src)
{
    if (!src) return NULL;
    int start = SDL_RWtell(src);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!info)
    {
        png_destroy_read_struct(&png, NULL, NULL);
        SDL_SetError("Out of memory");
        return NULL;
    }
    /* Volatile: changed between setjmp and a longjmp that may come back here. */
    SDL_Surface* volatile surface = NULL;
    png_bytep* volatile rows = NULL;
    if (setjmp(png_jmpbuf(png)))
    {
        free(rows);
        SDL_FreeSurface(surface);
        png_destroy_read_struct(&png, &info, NULL);
        SDL_RWseek(src, start, RW_SEEK_SET);
        SDL_SetError("Error reading the PNG image");
        return NULL;
    }
    png_set_read_fn(png, src, ReadFromStream);
    png_read_info(png, info);
    int colorType = png_get_color_type(png, info);
    /* Everything becomes 8-bit RGB, or RGBA when the image has any transparency. */
    png_set_strip_16(png);
    png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_read_update_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    int channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4) png_error(png, "Unsupported channels");
    Uint32 alphaMask = channels == 4 ? 0xFF000000 : 0;
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    surface = SDL_CreateRGBSurface(SDL_SWSURFACE, (int)width, (int)height, 8 * channels,
                                   0x000000FF, 0x0000FF00, 0x00FF0000, alphaMask);
#else
    int shift = channels == 4 ? 0 : 8;
    surface = SDL_CreateRGBSurface(SDL_SWSURFACE, (int)width, (int)height, 8 * channels,
                                   0xFF000000 >> shift, 0x00FF0000 >> shift, 0x0000FF00 >> shift,
                                   channels == 4 ? 0x000000FF : 0);
#endif
    if (!surface) png_error(png, "Out of memory");
    rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
    if (!rows) png_error(png, "Out of memory");
    for (png_uint_32 y = 0; y < height; y++)
        rows[y] = (png_bytep)surface->pixels + y * surface->pitch;
    png_read_image(png, rows);
    png_read_end(png, info);
    free(rows);
    png_destroy_read_struct(&png, &info, NULL);
    return surface;
}
