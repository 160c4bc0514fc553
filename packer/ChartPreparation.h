#pragma once

#include "Normalisation.h"
#include "PackRecords.h"
#include "PackSettings.h"

#include <cstdint>
#include <span>
#include <vector>

namespace OmbrixVectorPacker {

// Chart id of every triangle (from 1), the connected components of the adjacency in the
// order of their lowest triangle, filled breadth first. Returns the number of charts.
uint32_t findChartIds(std::span<const uint32_t> adjacency, size_t triangleCount, std::vector<uint32_t>& chartIds);

// What the preparation leaves for the placement loop besides the charts.
struct PreparedCharts {
    Normalisation normalisation;
    // The largest number of padded outline edges of any chart.
    size_t scratch_hint = 0;
    // The largest side of any chart's padded box, at least 0.001.
    double largest_extent = 0.001;
};

// Builds the packer's charts from the triangles: chart ids, normalisation (which throws
// PackInputError for UVs it cannot represent), the traced
// outlines with holes (or the hull), padding, orientations and their thinning, then sorts
// the charts into placement order and sets the vertex chart map and the scan step. The
// per-chart work runs on `threadCount` threads, joined before returning.
PreparedCharts prepareCharts(VectorPacker& packer, std::span<const Point2> uvs, std::span<const uint32_t> triangles,
                             std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount);

} // namespace OmbrixVectorPacker
