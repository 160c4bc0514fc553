#pragma once

#include "preview/PixelCanvas.h"
#include "preview/PreviewRender.h"

#include <string>

// The preview as a window with a client area of `clientWidth` x `clientHeight` pixels shows
// it (the square fitted to the client area), pixel for pixel.
PixelCanvas renderPreview(const PreviewRender& render, int32_t clientWidth, int32_t clientHeight);

// Writes that picture as a PNG file, atomically; throws FileError naming the file.
void writePreviewPng(const PreviewRender& render, int32_t clientWidth, int32_t clientHeight, const std::string& path);
