#include "preview/PreviewImage.h"

#include "preview/PngImage.h"
#include "preview/PreviewDrawing.h"

PixelCanvas renderPreview(const PreviewRender& render, int32_t clientWidth, int32_t clientHeight) {
    PixelCanvas canvas(clientWidth, clientHeight);
    drawPreview(render, fitSquare(clientWidth, clientHeight), canvas);
    return canvas;
}

void writePreviewPng(const PreviewRender& render, int32_t clientWidth, int32_t clientHeight, const std::string& path) {
    writePng(path, renderPreview(render, clientWidth, clientHeight));
}
