#pragma once

#include "isochart/FlatChart.h"

#include <vector>

namespace Isochart {

// Cuts charts whose shape wastes texture when packed (after Liu et al. 2019, "Atlas
// refinement with bounded packing efficiency"): a chart far longer than the texture the
// others need, or one that fills little of its smallest bounding rectangle, is split along
// a short cut when that raises the packing efficiency: on small meshes as found by packing
// the charts on a trial texture, on large ones as estimated from the charts' rectangles.
// The chart count at most doubles, except that charts more than eight times longer than
// wide are still cut for their length, up to 16 charts. Parts keep their parent's
// image; a cut whose parts would not make valid charts with it is not made.
void cutWastefulCharts(const SurfaceMesh& surface, const PartitionSettings& settings, std::vector<FlatChart>& charts);

} // namespace Isochart
