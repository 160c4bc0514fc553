#pragma once

#include "isochart/FlatChart.h"

#include <functional>
#include <vector>

namespace Isochart {

// Merges linked charts greedily, the pair whose merged chart has the shortest border first,
// while the merged chart stays valid, within `maxStretch` and, below a stretch limit of 1,
// within `kLargestFlattenedChart` triangles. With a chart count limit, merging then goes on
// past the stretch limit and that size (least stretch first) until the count fits; E_FAIL
// when it cannot. `progress` gets the fraction of tried pairs; false stops (E_ABORT).
HRESULT mergeCharts(const SurfaceMesh& surface, const PartitionSettings& settings,
                    const std::function<bool(double)>& progress, std::vector<FlatChart>& charts);

} // namespace Isochart
