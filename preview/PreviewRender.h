#pragma once

#include <cstdint>
#include <vector>

// The falseEdges entry of a triangle corner whose edge is a real mesh edge (all bits set);
// any other value names the triangle of the same polygon across a triangulation diagonal.
constexpr uint32_t realMeshEdge = 0xFFFFFFFFu;

// What the preview window draws: a square of `width` pixels at (`offsetX`, `offsetY`) in the
// window's client area, divided into `tiles` x `tiles` cells, and the layout's triangles with the
// edges that are real mesh edges (falseEdges entry NIL); the diagonals inside polygons are not drawn.
class PreviewRender {
public:
    PreviewRender(int32_t width, int32_t height, int32_t tiles);
    virtual ~PreviewRender() = default;

    // Copies the layout: three UV indices per triangle, three floats (u, v, unused) per point and
    // one false-edge entry per triangle corner.
    void setData(const std::vector<uint32_t>& indices, const std::vector<float>& points,
                 const std::vector<uint32_t>& falseEdges);

    int32_t width = 0;
    int32_t height = 0;
    int32_t tiles = 1;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    std::vector<float> points;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> falseEdges;
};
