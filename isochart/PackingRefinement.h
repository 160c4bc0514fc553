#pragma once

#include "isochart/FlatChart.h"

#include <vector>

namespace Isochart {

// Cuts charts whose shape wastes texture when packed (after Liu et al. 2019, "Atlas
// refinement with bounded packing efficiency"): a chart far longer than the texture the
// others need, or one that fills little of its smallest bounding rectangle, is split along
// a short cut when that raises the estimated packing efficiency. Cuts for the second reason
// at most double the chart count. Parts keep their parent's image where it stays valid.
void cutWastefulCharts(const SurfaceMesh& surface, const PartitionSettings& settings, std::vector<FlatChart>& charts);

} // namespace Isochart
