#pragma once

#include "preview/PixelCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

// 8-bit RGB PNG files of canvases, through libpng. The same canvas always gives the same bytes.
std::vector<unsigned char> encodePng(const PixelCanvas& canvas);

// Decodes PNG bytes of any colour type into an RGB canvas (alpha is dropped). False, with
// `problem` saying why, when the bytes are not a PNG image libpng can read.
bool decodePng(const unsigned char* bytes, size_t size, PixelCanvas& canvas, std::string& problem);

// Writes the canvas as a PNG file atomically; throws FileError naming the file on failure.
void writePng(const std::string& path, const PixelCanvas& canvas);

// Reads a PNG file; throws FileError naming the file when it cannot be read or decoded.
PixelCanvas readPng(const std::string& path);
