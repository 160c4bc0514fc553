#include "preview/PreviewRender.h"

PreviewRender::PreviewRender(int32_t width, int32_t height, int32_t tiles)
    : width(width), height(height), tiles(tiles) {}

void PreviewRender::setData(const std::vector<uint32_t>& indices, const std::vector<float>& points,
                            const std::vector<uint32_t>& falseEdges) {
    if (&indices != &this->indices) this->indices = indices;
    if (&points != &this->points) this->points = points;
    if (&falseEdges != &this->falseEdges) this->falseEdges = falseEdges;
}
