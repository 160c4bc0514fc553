#pragma once

#include "isochart/HResult.h"
#include "isochart/IsochartEngine.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The chart engine's two entries. Each makes one engine for the call and frees it before it
// returns; every failure is a negative status, never an exception.

using Isochart::UVAtlasVertex;

// Index formats of the entries' index buffers.
constexpr uint32_t UVATLAS_FORMAT_R32_UINT = Isochart::IndexFormatR32;
constexpr uint32_t UVATLAS_FORMAT_R16_UINT = Isochart::IndexFormatR16;

// Takes the fraction of the entry done (0 to 1); a negative status stops the entry. Empty for none.
using UVAtlasProgress = Isochart::ProgressFunction;

// Cuts a triangle mesh into charts that each flatten within `maxStretch` (0: none allowed, 1:
// any) and lays every chart out in its own flat space. `positions` holds x, y, z per vertex,
// `indices` three indices per triangle in `indexFormat`; `adjacency` and the optional
// `falseEdges` and `signal` hold three values per triangle. On success `vertices` holds the
// cut mesh (a vertex repeated for every chart it belongs to), `indexBuffer` its triangles in
// the input order and format, `vertexRemap` the input vertex of every output vertex and
// `partitionAdjacency` the adjacency with every chart border cut. `largestStretch` and
// `chartCount` receive the result's figures (0 when the partition did not run). On failure
// the output arrays are left as they were.
HRESULT UVAtlasPartition(const float* positions, size_t vertexCount, const void* indices, uint32_t indexFormat,
                         size_t triangleCount, size_t maxChartCount, float maxStretch, const uint32_t* adjacency,
                         const uint32_t* falseEdges, const float* signal, const UVAtlasProgress& progress,
                         float progressFrequency, uint32_t options, std::vector<UVAtlasVertex>& vertices,
                         std::vector<uint8_t>& indexBuffer, std::vector<uint32_t>* facePartition,
                         std::vector<uint32_t>* vertexRemap, std::vector<uint32_t>& partitionAdjacency,
                         float* largestStretch, size_t* chartCount);

// Places the charts of a partition (connected over `partitionAdjacency`, whose NIL corners are
// the chart borders) in a width x height texture with `gutter` texels free around every chart,
// and writes every vertex's place (in [0, 1]) into its uv. Positions and the index buffer are
// not changed; on failure nothing is.
HRESULT UVAtlasPack(std::vector<UVAtlasVertex>& vertices, const std::vector<uint8_t>& indexBuffer, uint32_t indexFormat,
                    size_t width, size_t height, float gutter, const std::vector<uint32_t>& partitionAdjacency,
                    const UVAtlasProgress& progress, float progressFrequency);
