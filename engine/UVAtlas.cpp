#include "UVAtlas.h"

#include "core/UnwrapMesh.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t MaxIndexValue = 0xFFFFFFFFu;

// Vertex counts each index format can address.
bool vertexCountFits(uint32_t indexFormat, size_t vertexCount) {
    switch (indexFormat) {
    case UVATLAS_FORMAT_R32_UINT:
        return vertexCount < 0xFFFFFFFFu;
    case UVATLAS_FORMAT_R16_UINT:
        return vertexCount < 0xFFFFu;
    default:
        return false;
    }
}

// Three indices per triangle must stay below the largest 32-bit index (0xFFFFFFFF is 3 x 0x55555555).
bool tooManyIndices(size_t triangleCount) {
    return triangleCount >= MaxIndexValue / 3;
}

// False edges may only join triangles that are neighbours, and neighbours must name each other.
HRESULT checkAdjacency(const uint32_t* adjacency, const uint32_t* falseEdges, size_t triangleCount) {
    for (size_t corner = 0; corner < 3 * triangleCount; ++corner)
        if (adjacency[corner] == NIL && falseEdges[corner] != NIL) return E_INVALID_DATA;
    for (size_t triangle = 0; triangle < triangleCount; ++triangle) {
        for (size_t corner = 0; corner < 3; ++corner) {
            const uint32_t neighbour = adjacency[3 * triangle + corner];
            if (neighbour == NIL) continue;
            if (neighbour >= triangleCount) return E_INVALID_DATA;
            const uint32_t* back = &adjacency[3 * size_t{neighbour}];
            if (back[0] != triangle && back[1] != triangle && back[2] != triangle) return E_INVALID_DATA;
        }
    }
    return S_OK;
}

// Makes one engine, hands it to `work` and frees it whatever happens.
template <typename Work>
HRESULT withEngine(Work&& work) {
    std::unique_ptr<Isochart::IIsochartEngine> engine = Isochart::IIsochartEngine::create();
    if (!engine) return E_OUTOFMEMORY;
    HRESULT result;
    try {
        result = work(*engine);
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    } catch (...) {
        result = E_FAIL;
    }
    engine->Free();
    return result;
}

HRESULT partitionWithEngine(Isochart::IIsochartEngine& engine, const float* positions, size_t vertexCount,
                            const void* indices, uint32_t indexFormat, size_t triangleCount, size_t maxChartCount,
                            float maxStretch, const uint32_t* adjacency, const uint32_t* falseEdges,
                            const float* signal, const UVAtlasProgress& progress, float progressFrequency,
                            uint32_t options, const Isochart::PartitionOutputs& outputs, float& largestStretch,
                            size_t& chartCount) {
    if (progress)
        if (const HRESULT result = engine.SetCallback(progress, progressFrequency); FAILED(result)) return result;
    if (const HRESULT result = engine.SetStage(maxChartCount != 0 ? 3 : 2, 0); FAILED(result)) return result;
    if (const HRESULT result = engine.Initialize(positions, vertexCount, 3 * sizeof(float), indexFormat, indices,
                                                 triangleCount, signal, adjacency, falseEdges, options);
        FAILED(result))
        return result;
    if (const HRESULT result = engine.Partition(maxChartCount, maxStretch, chartCount, largestStretch); FAILED(result))
        return result;
    return engine.ExportPartitionResult(outputs);
}

} // namespace

HRESULT UVAtlasPartition(const float* positions, size_t vertexCount, const void* indices, uint32_t indexFormat,
                         size_t triangleCount, size_t maxChartCount, float maxStretch, const uint32_t* adjacency,
                         const uint32_t* falseEdges, const float* signal, const UVAtlasProgress& progress,
                         float progressFrequency, uint32_t options, std::vector<UVAtlasVertex>& vertices,
                         std::vector<uint8_t>& indexBuffer, std::vector<uint32_t>* facePartition,
                         std::vector<uint32_t>* vertexRemap, std::vector<uint32_t>& partitionAdjacency,
                         float* largestStretch, size_t* chartCount) {
    if (!positions || vertexCount == 0 || !indices || triangleCount == 0 || !adjacency) return E_INVALIDARG;
    if (!vertexCountFits(indexFormat, vertexCount)) return E_INVALIDARG;
    if (tooManyIndices(triangleCount)) return E_ARITHMETIC_OVERFLOW;
    maxChartCount = std::min(maxChartCount, triangleCount);
    if (falseEdges)
        if (const HRESULT result = checkAdjacency(adjacency, falseEdges, triangleCount); FAILED(result)) return result;

    float stretch = 0.0f;
    size_t charts = 0;
    const Isochart::PartitionOutputs outputs{&vertices, &indexBuffer, facePartition, vertexRemap, &partitionAdjacency};
    const HRESULT result = withEngine([&](Isochart::IIsochartEngine& engine) {
        return partitionWithEngine(engine, positions, vertexCount, indices, indexFormat, triangleCount, maxChartCount,
                                   maxStretch, adjacency, falseEdges, signal, progress, progressFrequency, options,
                                   outputs, stretch, charts);
    });
    if (largestStretch) *largestStretch = stretch;
    if (chartCount) *chartCount = charts;
    return result;
}

HRESULT UVAtlasPack(std::vector<UVAtlasVertex>& vertices, const std::vector<uint8_t>& indexBuffer, uint32_t indexFormat,
                    size_t width, size_t height, float gutter, const std::vector<uint32_t>& partitionAdjacency,
                    const UVAtlasProgress& progress, float progressFrequency) {
    if (width < 1 || width > MaxIndexValue || height < 1 || height > MaxIndexValue) return E_INVALIDARG;
    if (vertices.empty() || indexBuffer.empty() || !vertexCountFits(indexFormat, vertices.size())) return E_INVALIDARG;
    const size_t indexBytes = Isochart::indexSize(indexFormat);
    const size_t triangleCount = indexBuffer.size() / (3 * indexBytes);
    if (tooManyIndices(triangleCount)) return E_ARITHMETIC_OVERFLOW;
    if (partitionAdjacency.size() != 3 * triangleCount) return E_INVALIDARG;

    return withEngine([&](Isochart::IIsochartEngine& engine) {
        if (progress)
            if (const HRESULT result = engine.SetCallback(progress, progressFrequency); FAILED(result)) return result;
        if (const HRESULT result = engine.SetStage(1, 0); FAILED(result)) return result;
        std::vector<uint32_t> corners(3 * triangleCount);
        for (size_t corner = 0; corner < corners.size(); ++corner) {
            if (indexFormat == UVATLAS_FORMAT_R16_UINT) {
                uint16_t index;
                std::memcpy(&index, &indexBuffer[2 * corner], sizeof index);
                corners[corner] = index;
            } else {
                std::memcpy(&corners[corner], &indexBuffer[4 * corner], sizeof(uint32_t));
            }
        }
        std::vector<UVAtlasVertex> packed(vertices);
        const HRESULT result = engine.PackCharts(packed, corners, partitionAdjacency, width, height, gutter);
        if (FAILED(result)) return result;
        for (size_t vertex = 0; vertex < vertices.size(); ++vertex)
            vertices[vertex].uv = packed[vertex].uv;
        return S_OK;
    });
}
