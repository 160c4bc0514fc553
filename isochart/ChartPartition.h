#pragma once

#include "isochart/HResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace Isochart {

// A triangle mesh as the chart engine receives it. Corner k of triangle t stands for the
// edge from vertex k to vertex (k + 1) mod 3. `adjacency` names the triangle across each
// corner's edge (0xFFFFFFFF at borders and at cuts, which must stay chart borders);
// `falseEdges`, when not empty, names the other triangle of the same polygon across an
// edge made by triangulation: such triangles always share a chart.
struct MeshView {
    std::span<const float> positions;  // x, y, z per vertex
    std::span<const uint32_t> indices; // three per triangle
    std::span<const uint32_t> adjacency;
    std::span<const uint32_t> falseEdges;
};

enum class GeodesicMethod { Exact, Approximate };

struct PartitionSettings {
    float maxStretch = 0.15f; // 0 (no stretch) to 1 (any stretch)
    size_t maxChartCount = 0; // 0 = no limit
    GeodesicMethod geodesics = GeodesicMethod::Exact;
};

// Called with the fraction of the partition done (0 to 1); returning false stops the work.
using PartitionProgress = std::function<bool(float)>;

// The cut and flattened mesh. Output vertices are input vertices repeated once for every
// chart (and every separate fan within a chart) they belong to.
struct ChartLayout {
    std::vector<uint32_t> chartOfTriangle; // chart number per triangle, from 0
    std::vector<uint32_t> vertexSource;    // input vertex of every output vertex
    std::vector<float> vertexUVs;          // u, v per output vertex, in its chart's flat space
    std::vector<uint32_t> cornerVertices;  // three output vertices per triangle, input order
    size_t chartCount = 0;
    float maxStretch = 0.0f;    // max over charts of 1 - 1/sigma^2, never above the limit
    size_t cutPolygonCount = 0; // polygons that had to be cut along their triangulation
};

// Cuts the mesh into connected charts that each flatten without flips or self-overlap and
// meet the stretch limit. Without a chart count limit a layout always exists (every
// triangle alone flattens without stretch). Returns S_OK, E_ABORT when progress asked to
// stop, E_OUTOFMEMORY, or E_FAIL when the chart count limit cannot be met.
HRESULT partitionCharts(const MeshView& mesh, const PartitionSettings& settings, const PartitionProgress& progress,
                        ChartLayout& layout);

} // namespace Isochart
