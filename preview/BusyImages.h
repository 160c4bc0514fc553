#pragma once

#include <cstddef>

// The busy window's pictures as PNG bytes, made by the build (preview/assets) and linked in:
// the animation sheet (2000 x 1600, 10 x 8 frames of 200 x 200, read left to right, top to
// bottom) and the logo (200 x 200).
extern const unsigned char busySheetPng[];
extern const size_t busySheetPngSize;
extern const unsigned char busyLogoPng[];
extern const size_t busyLogoPngSize;
