#pragma once

#include "preview/PreviewRender.h"

#include <cstdint>
#include <vector>

// Small layouts for the preview tests.
namespace previewtest {

// A grid of n x n quads over [0, 1]^2, each split into two triangles by its diagonal, which
// is marked as a triangulation edge (falseEdges names the quad's other triangle).
inline PreviewRender quadGrid(int n, int32_t side, int32_t tiles) {
    PreviewRender render(side, side, tiles);
    std::vector<float> points;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            points.push_back(float(i) / float(n));
            points.push_back(float(j) / float(n));
            points.push_back(0.0f);
        }
    }
    std::vector<uint32_t> indices, falseEdges;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            const uint32_t first = uint32_t(indices.size() / 3);
            // (a, b, c): edges a-b, b-c real, c-a the diagonal; (a, c, d): a-c diagonal.
            for (uint32_t corner : {a, b, c, a, c, d})
                indices.push_back(corner);
            for (uint32_t entry : {realMeshEdge, realMeshEdge, first + 1, first, realMeshEdge, realMeshEdge})
                falseEdges.push_back(entry);
        }
    }
    render.setData(indices, points, falseEdges);
    return render;
}

} // namespace previewtest
