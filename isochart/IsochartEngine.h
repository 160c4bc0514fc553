#pragma once

#include "isochart/HResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace Isochart {

// One vertex of the exchange between the engine and its callers: where it sits on the
// surface and where it lies in texture space.
struct UVAtlasVertex {
    struct {
        float x, y, z;
    } position;
    struct {
        float x, y;
    } uv;
};

// Width of the indices in an index buffer.
enum IndexFormat : uint32_t {
    IndexFormatR32 = 42, // 32-bit unsigned
    IndexFormatR16 = 57, // 16-bit unsigned
};

// Bytes per index of a format, 0 for an unknown format.
size_t indexSize(uint32_t format);

// The two lowest bits of the option word choose how geodesic distances are measured; 0
// leaves it to the mesh size, both bits together are refused.
constexpr uint32_t OptionGeodesicFast = 1;
constexpr uint32_t OptionGeodesicQuality = 2;
// Meshes with more faces than this are measured by the fast method unless quality is asked.
constexpr size_t ExactGeodesicFaceLimit = 25000;

// Takes the fraction of the whole entry done (0 to 1); a negative status asks to stop.
using ProgressFunction = std::function<HRESULT(float)>;

// The partition as the engine hands it out. Every array is replaced; the optional ones are
// left alone when null.
struct PartitionOutputs {
    std::vector<UVAtlasVertex>* vertices = nullptr;
    std::vector<uint8_t>* indexBuffer = nullptr; // in the format the mesh came in
    std::vector<uint32_t>* facePartition = nullptr;
    std::vector<uint32_t>* vertexRemap = nullptr;
    std::vector<uint32_t>* partitionAdjacency = nullptr;
};

// The chart engine. One instance serves the thread that created it: every operation takes the
// instance's lock without waiting and returns E_ABORT at once when another thread holds it.
// States: uninitialised (after creation and Free), initialised, partitioned.
class IIsochartEngine {
public:
    // Null when the engine cannot be made (out of memory).
    static std::unique_ptr<IIsochartEngine> create();
    virtual ~IIsochartEngine() = default;

    // Takes a copy of the mesh. `positions` holds three floats at the start of every
    // `vertexStride` bytes; `signal` (three floats per triangle) is accepted and not used;
    // `falseEdges` may be null. Refuses E_INVALIDARG for both geodesic bits, missing arrays,
    // a stride below 12, an unknown format, an index beyond the vertices or a position that
    // is not finite; E_INVALID_DATA for a neighbour beyond the triangles; E_UNEXPECTED when
    // already initialised.
    virtual HRESULT Initialize(const void* positions, size_t vertexCount, size_t vertexStride, uint32_t indexFormat,
                               const void* indices, size_t triangleCount, const float* signal,
                               const uint32_t* adjacency, const uint32_t* falseEdges, uint32_t options) = 0;

    // Progress reporting; a frequency outside 0..1 (or not a number) is refused.
    virtual HRESULT SetCallback(ProgressFunction progress, float frequency) = 0;
    // The stages of the running entry, for the fraction handed to the progress function.
    virtual HRESULT SetStage(unsigned stagesTotal, unsigned stagesDone) = 0;

    // Cuts the mesh into charts within `maxStretch` (0 to 1) and at most `maxChartCount`
    // charts when that is not 0. A failure drops the partial result.
    virtual HRESULT Partition(size_t maxChartCount, float maxStretch, size_t& chartCount, float& largestStretch) = 0;

    // Writes the partition into the outputs; the engine must be partitioned.
    virtual HRESULT ExportPartitionResult(const PartitionOutputs& outputs) = 0;

    // Packs the charts of a laid-out mesh (connected over `adjacency`, NIL corners being chart
    // borders) into a width x height texture with `gutter` texels around every chart, as the
    // current stage. `vertices` is changed only on success; uvs end in [0, 1].
    virtual HRESULT PackCharts(std::vector<UVAtlasVertex>& vertices, std::span<const uint32_t> indices,
                               std::span<const uint32_t> adjacency, size_t width, size_t height, float gutter) = 0;

    // Drops the mesh and every result; the engine is uninitialised again.
    virtual HRESULT Free() = 0;
};

} // namespace Isochart
