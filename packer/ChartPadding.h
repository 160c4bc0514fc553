#pragma once

#include "PackRecords.h"

namespace OmbrixVectorPacker {

// Grows the chart's outline by its padding with miter joins (limit 2) in integer
// coordinates, replaces the outline by the result (the loop with the largest area first,
// as the outer loop) and sets the chart's box and pivot from it. On a failure of the
// clipping library the outline stays as it was.
void padOutline(PackChart& chart);

} // namespace OmbrixVectorPacker
