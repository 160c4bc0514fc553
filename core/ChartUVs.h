#pragma once

#include "core/UnwrapMesh.h"

#include <cstdint>
#include <vector>

// Gives every chart (triangles of one label) UVs of its own: a UV that corners of several
// charts use is copied for each further chart, and a UV no corner uses is dropped. The UVs
// are renumbered in the order the corners first use them. The packers move charts one by
// one, so a shared UV would drag a corner of one chart along with another.
void giveChartsOwnUVs(UnwrapMesh& mesh, const std::vector<uint32_t>& labels);

// Scales every chart's UVs (all three values) so that its UV area equals its surface area,
// giving all charts one texel density. A chart without UV area keeps its UVs; a UV shared by
// two charts is scaled once, by the chart met first.
void rescaleCharts(UnwrapMesh& mesh, const std::vector<uint32_t>& labels);
