#pragma once

#include "PackRecords.h"
#include "PackSettings.h"

namespace OmbrixVectorPacker {

// Angle index of orientation `i` among `count` (a power of two): the bits of `i` reversed,
// so the most different angles come first (for 8: 0, 4, 2, 6, 1, 5, 3, 7).
uint32_t orientationAngleIndex(uint32_t i, uint32_t count);

// Rotated copies of the chart's padded outline, one per orientation of the settings, each
// with its box, anchor, anchor height, highest and lowest points, moved to the origin.
void buildOrientations(PackChart& chart, const PackSettings& settings);

// Drops the orientations not worth trying, given the largest extent of any chart, and
// builds the edge index of every one kept.
void thinOrientations(PackChart& chart, double largestExtent, bool preRotate);

} // namespace OmbrixVectorPacker
