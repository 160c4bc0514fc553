#include "preview/WindowSurface.h"

#include <SDL.h>

void showCanvas(SDL_Window* window, const PixelCanvas& canvas, int x, int y) {
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (!target || canvas.pixels.empty()) return;
    // The canvas words are 0x00RRGGBB, which SDL calls RGB888.
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(canvas.pixels.data()), canvas.width, canvas.height, 32,
                                           canvas.width * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_Rect place{x, y, canvas.width, canvas.height};
    SDL_BlitSurface(source, nullptr, target, &place);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(window);
}
