/* Declarations of the PNG-only stand-in for SDL_image 1.2 (png_only_image.c). */
#ifndef VELLORAN_PNG_ONLY_IMAGE_H
#define VELLORAN_PNG_ONLY_IMAGE_H
#include "SDL.h"
#include "begin_code.h"
#ifdef __cplusplus
extern "C" {
#endif
extern DECLSPEC int SDLCALL IMG_isPNG(SDL_RWops* src);
extern DECLSPEC SDL_Surface* SDLCALL IMG_LoadPNG_RW(SDL_RWops* src);
#define IMG_SetError SDL_SetError
#define IMG_GetError SDL_GetError
#ifdef __cplusplus
}
#endif
#include "close_code.h"
#endif
