#pragma once

#include "isochart/FlatChart.h"

#include <functional>
#include <vector>

namespace Isochart {

// Splits every root chart until all parts are valid and meet the stretch limit, working on
// independent charts with all cores. `progress` is called on the calling thread with the
// fraction of surface area settled; returning false stops the work (E_ABORT). Polygons are
// kept whole while they can be; one that alone cannot make a valid chart is cut along its
// triangulation, and `cutPolygonCount` tells how many were. The charts come out ordered by
// their first triangle, the same for any number of threads.
HRESULT splitUntilValid(const SurfaceMesh& surface, std::vector<std::vector<uint32_t>> roots,
                        const PartitionSettings& settings, const std::function<bool(double)>& progress,
                        std::vector<FlatChart>& charts, size_t& cutPolygonCount);

} // namespace Isochart
