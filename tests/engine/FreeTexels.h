#pragma once

#include <cstdint>
#include <vector>

// The fewest texels left free between two charts of a layout, as a texture of width x height
// texels holds it: every texel whose interior a chart's triangle enters belongs to that chart,
// and two texels of different charts are the distance between their centres less one apart.
// `uvs` holds u, v, w per UV; `chartOfTriangle` labels each triangle of `uvIndices`. Returns 0
// when charts share a texel, and `reach` when no two charts come within `reach` texels.
double fewestFreeTexels(const std::vector<float>& uvs, const std::vector<uint32_t>& uvIndices,
                        const std::vector<uint32_t>& chartOfTriangle, int width, int height, int reach);
