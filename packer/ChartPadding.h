#pragma once

#include "PackRecords.h"

namespace OmbrixVectorPacker {

// Grows the chart's outline by its padding with miter joins (limit 2) in integer
// coordinates, replaces the outline by the result (the loop with the largest area first,
// as the outer loop) and sets the chart's box and pivot from it. The grown outline holds the
// exact offset of the chart by the padding: it grows a little further for the rounding, and
// merges almost straight edges only where the merged edge passes outside. An outline
// without area (a chart on a line or a point) becomes its box grown by the padding. On a
// failure of the clipping library the outline stays as it was.
void padOutline(PackChart& chart);

} // namespace OmbrixVectorPacker
