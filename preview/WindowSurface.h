#pragma once

#include "preview/PixelCanvas.h"

struct SDL_Window;

// Copies the canvas unchanged into the window's client area with its top-left corner at
// (x, y) and shows it. The caller holds the display lock.
void showCanvas(SDL_Window* window, const PixelCanvas& canvas, int x, int y);
