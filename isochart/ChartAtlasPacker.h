#pragma once

#include "isochart/HResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace Isochart {

struct AtlasPackSettings {
    size_t width = 0;   // texels
    size_t height = 0;  // texels
    float gutter = 0;   // texels kept free between any two charts
    bool quick = false; // one order and way of judging places only, for estimates
};

// Called with the fraction of the packing done (0 to 1); returning false stops the work.
using AtlasPackProgress = std::function<bool(float)>;

// Places the charts of a laid-out triangle mesh side by side in a width x height texture,
// all at one scale, as large as it can, none mirrored. A chart is a set of triangles
// connected over `adjacency` (NIL corners are chart borders) or through a shared vertex.
// Every chart is first aligned to its smallest bounding rectangle and may then be turned by
// quarter-turns; with few charts also by an eighth of a turn. Charts go largest first, each
// to the lowest place on the texture's grid where it fits, holes between charts included,
// the turn chosen by the place's top and the free cells it shuts in below. The scale is the
// largest at which every chart finds a place, searched two scales at a time on two threads;
// with few charts several orders and ways of judging places are tried too, two at a time;
// with thousands of charts the scale is first bracketed by searches that look for places
// only near the highest chart placed, then refined by full searches. `uvs` holds u, v
// per vertex and receives the packed place of every vertex in [0, 1] (0, 0 for a vertex no
// triangle uses); it is changed only on success. Returns S_OK, E_INVALIDARG (bad sizes,
// arrays or a uv that is not finite), E_ABORT when progress asked to stop, E_OUTOFMEMORY, or
// E_FAIL when the charts cannot be placed with the gutter. The result is the same on every
// run and for any number of cores.
HRESULT packChartAtlas(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
                       const AtlasPackSettings& settings, const AtlasPackProgress& progress);

} // namespace Isochart
