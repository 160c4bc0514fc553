#pragma once

#include "isochart/HResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace Isochart {

struct AtlasPackSettings {
    size_t width = 0;  // texels
    size_t height = 0; // texels
    float gutter = 0;  // texels kept free between any two charts
};

// Called with the fraction of the packing done (0 to 1); returning false stops the work.
using AtlasPackProgress = std::function<bool(float)>;

// Places the charts of a laid-out triangle mesh side by side in a width x height texture,
// all at one scale, as large as it can, each turned by a quarter-turn multiple after being
// aligned to its smallest bounding rectangle. A chart is a set of triangles connected over
// `adjacency` (NIL corners are chart borders) or through a shared vertex. `uvs` holds u, v
// per vertex and receives the packed place of every vertex in [0, 1] (0, 0 for a vertex no
// triangle uses); it is changed only on success. Up to a few hundred charts, several placement
// orders are tried and the one fitting the largest scale is kept. Returns S_OK, E_INVALIDARG (bad sizes, arrays or a uv
// that is not finite), E_ABORT when progress asked to stop, E_OUTOFMEMORY, or E_FAIL when the charts cannot be placed
// with the gutter.
HRESULT packChartAtlas(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
                       const AtlasPackSettings& settings, const AtlasPackProgress& progress);

} // namespace Isochart
