#include "IsochartEngine.h"

#include "isochart/ChartAtlasPacker.h"
#include "isochart/ChartPartition.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace Isochart {

namespace {

constexpr uint32_t NoNeighbour = 0xFFFFFFFFu;

// A lock owned by one thread at a time that its owner may take again. It starts held by the
// thread that made it and that first hold is never given back, so only the creating thread
// can ever take it; everybody else is turned away at once.
class OwnerLock {
public:
    OwnerLock() : owner_(std::this_thread::get_id()), depth_(1) {}

    bool tryAcquire() {
        std::lock_guard guard(mutex_);
        if (depth_ != 0 && owner_ != std::this_thread::get_id()) return false;
        owner_ = std::this_thread::get_id();
        ++depth_;
        return true;
    }

    void release() {
        std::lock_guard guard(mutex_);
        assert(depth_ > 0 && owner_ == std::this_thread::get_id());
        --depth_;
    }

private:
    std::mutex mutex_;
    std::thread::id owner_;
    unsigned depth_;
};

// Holds the engine lock for the length of one operation.
class LockScope {
public:
    explicit LockScope(OwnerLock& lock) : lock_(lock), held_(lock.tryAcquire()) {}
    ~LockScope() {
        if (held_) lock_.release();
    }
    LockScope(const LockScope&) = delete;
    LockScope& operator=(const LockScope&) = delete;
    bool held() const { return held_; }

private:
    OwnerLock& lock_;
    bool held_;
};

enum class EngineState { Uninitialised, Initialised, Partitioned };

// Turns the progress of one stage into calls of the caller's function with the fraction of
// the whole entry, no closer together than the frequency (the first call and the end of the
// whole work are always reported). Remembers a request to stop.
class StageReporter {
public:
    StageReporter(const ProgressFunction& function, float frequency, unsigned stagesTotal, unsigned stagesDone,
                  unsigned stagesSpanned)
        : function_(function), frequency_(frequency), total_(stagesTotal == 0 ? 1 : stagesTotal), done_(stagesDone),
          span_(stagesSpanned) {}

    // False once the function asked to stop.
    bool report(float stageFraction) {
        if (stopped_) return false;
        if (!function_) return true;
        const float clamped = std::isnan(stageFraction) ? 0.0f : std::min(std::max(stageFraction, 0.0f), 1.0f);
        const float fraction = std::min(
            (static_cast<float>(done_) + clamped * static_cast<float>(span_)) / static_cast<float>(total_), 1.0f);
        const bool finished = fraction == 1.0f && last_ < 1.0f;
        if (reported_ && !finished && fraction < last_ + frequency_) return true;
        reported_ = true;
        last_ = fraction;
        if (FAILED(function_(fraction))) stopped_ = true;
        return !stopped_;
    }

    bool stopped() const { return stopped_; }

private:
    const ProgressFunction& function_;
    float frequency_;
    unsigned total_, done_, span_;
    float last_ = 0.0f;
    bool reported_ = false;
    bool stopped_ = false;
};

class CIsochartEngine final : public IIsochartEngine {
public:
    HRESULT Initialize(const void* positions, size_t vertexCount, size_t vertexStride, uint32_t indexFormat,
                       const void* indices, size_t triangleCount, const float* signal, const uint32_t* adjacency,
                       const uint32_t* falseEdges, uint32_t options) override;
    HRESULT SetCallback(ProgressFunction progress, float frequency) override;
    HRESULT SetStage(unsigned stagesTotal, unsigned stagesDone) override;
    HRESULT Partition(size_t maxChartCount, float maxStretch, size_t& chartCount, float& largestStretch) override;
    HRESULT ExportPartitionResult(const PartitionOutputs& outputs) override;
    HRESULT PackCharts(std::vector<UVAtlasVertex>& vertices, std::span<const uint32_t> indices,
                       std::span<const uint32_t> adjacency, size_t width, size_t height, float gutter) override;
    HRESULT Free() override;

private:
    HRESULT copyMesh(const void* positions, size_t vertexCount, size_t vertexStride, uint32_t indexFormat,
                     const void* indices, size_t triangleCount, const uint32_t* adjacency, const uint32_t* falseEdges);
    void dropMesh();
    bool linked(uint32_t triangle, uint32_t corner) const;
    bool layoutIsWhole() const;
    HRESULT writeIndexBuffer(std::vector<uint8_t>& buffer) const;

    OwnerLock lock_;
    EngineState state_ = EngineState::Uninitialised;
    ProgressFunction progress_;
    float frequency_ = 0.0f;
    unsigned stagesTotal_ = 1;
    unsigned stagesDone_ = 0;

    uint32_t indexFormat_ = IndexFormatR32;
    GeodesicMethod geodesics_ = GeodesicMethod::Exact;
    std::vector<float> positions_;
    std::vector<uint32_t> indices_;
    std::vector<uint32_t> adjacency_;
    std::vector<uint32_t> falseEdges_;
    ChartLayout layout_;
};

GeodesicMethod chooseGeodesics(uint32_t options, size_t triangleCount) {
    if (options & OptionGeodesicFast) return GeodesicMethod::Approximate;
    if (options & OptionGeodesicQuality) return GeodesicMethod::Exact;
    return triangleCount < ExactGeodesicFaceLimit ? GeodesicMethod::Exact : GeodesicMethod::Approximate;
}

// Runs an engine step and turns what it throws into a status, so no exception leaves the engine.
template <typename Step>
HRESULT guarded(Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT CIsochartEngine::Initialize(const void* positions, size_t vertexCount, size_t vertexStride,
                                    uint32_t indexFormat, const void* indices, size_t triangleCount,
                                    const float* signal, const uint32_t* adjacency, const uint32_t* falseEdges,
                                    uint32_t options) {
    (void)signal; // the per-triangle signal does not steer this engine
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    if ((options & OptionGeodesicFast) && (options & OptionGeodesicQuality)) return E_INVALIDARG;
    if (!positions || vertexStride < 3 * sizeof(float) || indexSize(indexFormat) == 0 || !indices) return E_INVALIDARG;
    if (state_ != EngineState::Uninitialised) return E_UNEXPECTED;
    if (vertexCount == 0 || triangleCount == 0 || !adjacency) return E_INVALIDARG;
    const HRESULT result = guarded([&] {
        return copyMesh(positions, vertexCount, vertexStride, indexFormat, indices, triangleCount, adjacency,
                        falseEdges);
    });
    if (FAILED(result)) {
        dropMesh();
        return result;
    }
    geodesics_ = chooseGeodesics(options, triangleCount);
    state_ = EngineState::Initialised;
    ++stagesDone_;
    return S_OK;
}

HRESULT CIsochartEngine::copyMesh(const void* positions, size_t vertexCount, size_t vertexStride, uint32_t indexFormat,
                                  const void* indices, size_t triangleCount, const uint32_t* adjacency,
                                  const uint32_t* falseEdges) {
    const auto* bytes = static_cast<const uint8_t*>(positions);
    positions_.resize(3 * vertexCount);
    for (size_t vertex = 0; vertex < vertexCount; ++vertex) {
        std::memcpy(&positions_[3 * vertex], bytes + vertex * vertexStride, 3 * sizeof(float));
        for (size_t axis = 0; axis < 3; ++axis)
            if (!std::isfinite(positions_[3 * vertex + axis])) return E_INVALIDARG;
    }
    const size_t cornerCount = 3 * triangleCount;
    indices_.resize(cornerCount);
    for (size_t corner = 0; corner < cornerCount; ++corner) {
        if (indexFormat == IndexFormatR16) {
            uint16_t index;
            std::memcpy(&index, static_cast<const uint8_t*>(indices) + 2 * corner, sizeof index);
            indices_[corner] = index;
        } else {
            std::memcpy(&indices_[corner], static_cast<const uint8_t*>(indices) + 4 * corner, sizeof(uint32_t));
        }
        if (indices_[corner] >= vertexCount) return E_INVALIDARG;
    }
    adjacency_.assign(adjacency, adjacency + cornerCount);
    if (falseEdges) falseEdges_.assign(falseEdges, falseEdges + cornerCount);
    for (size_t corner = 0; corner < cornerCount; ++corner) {
        if (adjacency_[corner] != NoNeighbour && adjacency_[corner] >= triangleCount) return E_INVALID_DATA;
        if (falseEdges && falseEdges_[corner] != NoNeighbour && falseEdges_[corner] >= triangleCount)
            return E_INVALID_DATA;
    }
    // A one-sided link is no shared edge: the partition only sees links both triangles agree on.
    std::vector<uint32_t> mutual(adjacency_);
    for (uint32_t triangle = 0; triangle < triangleCount; ++triangle)
        for (uint32_t corner = 0; corner < 3; ++corner)
            if (!linked(triangle, corner)) mutual[3 * triangle + corner] = NoNeighbour;
    adjacency_ = std::move(mutual);
    for (size_t corner = 0; corner < falseEdges_.size(); ++corner)
        if (adjacency_[corner] == NoNeighbour) falseEdges_[corner] = NoNeighbour;
    indexFormat_ = indexFormat;
    return S_OK;
}

bool CIsochartEngine::linked(uint32_t triangle, uint32_t corner) const {
    const uint32_t neighbour = adjacency_[3 * triangle + corner];
    if (neighbour == NoNeighbour || neighbour == triangle) return false;
    for (uint32_t back = 0; back < 3; ++back)
        if (adjacency_[3 * neighbour + back] == triangle) return true;
    return false;
}

// The export reads the partition by index, so a result that does not fit the mesh is a failure.
bool CIsochartEngine::layoutIsWhole() const {
    const size_t vertexCount = layout_.vertexSource.size();
    if (layout_.chartOfTriangle.size() != indices_.size() / 3 || layout_.cornerVertices.size() != indices_.size() ||
        layout_.vertexUVs.size() != 2 * vertexCount)
        return false;
    for (const uint32_t source : layout_.vertexSource)
        if (source >= positions_.size() / 3) return false;
    for (const uint32_t vertex : layout_.cornerVertices)
        if (vertex >= vertexCount) return false;
    return true;
}

void CIsochartEngine::dropMesh() {
    positions_ = {};
    indices_ = {};
    adjacency_ = {};
    falseEdges_ = {};
    layout_ = {};
}

HRESULT CIsochartEngine::SetCallback(ProgressFunction progress, float frequency) {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    if (!(frequency >= 0.0f && frequency <= 1.0f)) return E_INVALIDARG;
    return guarded([&] {
        progress_ = std::move(progress);
        frequency_ = frequency;
        return S_OK;
    });
}

HRESULT CIsochartEngine::SetStage(unsigned stagesTotal, unsigned stagesDone) {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    if (stagesTotal == 0 || stagesDone > stagesTotal) return E_INVALIDARG;
    stagesTotal_ = stagesTotal;
    stagesDone_ = stagesDone;
    return S_OK;
}

HRESULT CIsochartEngine::Partition(size_t maxChartCount, float maxStretch, size_t& chartCount, float& largestStretch) {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    if (!(maxStretch >= 0.0f && maxStretch <= 1.0f)) return E_INVALIDARG;
    if (state_ == EngineState::Uninitialised) return E_UNEXPECTED;
    state_ = EngineState::Initialised;
    layout_ = {};

    // The partition spans every stage still to come.
    const unsigned remaining = stagesTotal_ > stagesDone_ ? stagesTotal_ - stagesDone_ : 1;
    StageReporter reporter(progress_, frequency_, stagesTotal_, stagesDone_, remaining);
    const HRESULT result = guarded([&] {
        if (!reporter.report(0.0f)) return E_ABORT;
        const MeshView mesh{positions_, indices_, adjacency_, falseEdges_};
        PartitionSettings settings;
        settings.maxStretch = maxStretch;
        settings.maxChartCount = maxChartCount;
        settings.geodesics = geodesics_;
        const HRESULT partitioned = partitionCharts(
            mesh, settings, [&](float fraction) { return reporter.report(fraction); }, layout_);
        if (FAILED(partitioned)) return partitioned;
        if (!reporter.report(1.0f)) return E_ABORT;
        return S_OK;
    });
    if (FAILED(result) || reporter.stopped()) {
        layout_ = {};
        return FAILED(result) ? result : E_ABORT;
    }
    if (!layoutIsWhole()) {
        layout_ = {};
        return E_FAIL;
    }
    stagesDone_ = stagesTotal_;
    state_ = EngineState::Partitioned;
    chartCount = layout_.chartCount;
    largestStretch = layout_.maxStretch;
    return S_OK;
}

HRESULT CIsochartEngine::writeIndexBuffer(std::vector<uint8_t>& buffer) const {
    const size_t vertexCount = layout_.vertexSource.size();
    if (indexFormat_ == IndexFormatR16 && vertexCount >= 0xFFFFu) return E_FAIL;
    const size_t width = indexSize(indexFormat_);
    buffer.resize(width * layout_.cornerVertices.size());
    for (size_t corner = 0; corner < layout_.cornerVertices.size(); ++corner) {
        const uint32_t index = layout_.cornerVertices[corner];
        if (indexFormat_ == IndexFormatR16) {
            const auto narrow = static_cast<uint16_t>(index);
            std::memcpy(&buffer[width * corner], &narrow, width);
        } else {
            std::memcpy(&buffer[width * corner], &index, width);
        }
    }
    return S_OK;
}

HRESULT CIsochartEngine::ExportPartitionResult(const PartitionOutputs& outputs) {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    if (!outputs.vertices || !outputs.indexBuffer || !outputs.partitionAdjacency) return E_POINTER;
    if (state_ != EngineState::Partitioned) return E_UNEXPECTED;
    return guarded([&] {
        const size_t vertexCount = layout_.vertexSource.size();
        std::vector<UVAtlasVertex> vertices(vertexCount);
        for (size_t vertex = 0; vertex < vertexCount; ++vertex) {
            const float* position = &positions_[3 * layout_.vertexSource[vertex]];
            vertices[vertex].position = {position[0], position[1], position[2]};
            vertices[vertex].uv = {layout_.vertexUVs[2 * vertex], layout_.vertexUVs[2 * vertex + 1]};
        }
        std::vector<uint8_t> indexBuffer;
        if (const HRESULT written = writeIndexBuffer(indexBuffer); FAILED(written)) return written;

        // An edge stays joined only where both triangles share the chart and both output vertices.
        std::vector<uint32_t> partitionAdjacency(adjacency_.size(), NoNeighbour);
        const std::vector<uint32_t>& corners = layout_.cornerVertices;
        for (uint32_t triangle = 0; triangle < layout_.chartOfTriangle.size(); ++triangle) {
            for (uint32_t corner = 0; corner < 3; ++corner) {
                const uint32_t neighbour = adjacency_[3 * triangle + corner];
                if (neighbour == NoNeighbour) continue;
                if (layout_.chartOfTriangle[neighbour] != layout_.chartOfTriangle[triangle]) continue;
                const uint32_t from = corners[3 * triangle + corner], to = corners[3 * triangle + (corner + 1) % 3];
                for (uint32_t back = 0; back < 3; ++back) {
                    if (adjacency_[3 * neighbour + back] != triangle) continue;
                    const uint32_t backFrom = corners[3 * neighbour + back];
                    const uint32_t backTo = corners[3 * neighbour + (back + 1) % 3];
                    if ((backFrom == to && backTo == from) || (backFrom == from && backTo == to))
                        partitionAdjacency[3 * triangle + corner] = neighbour;
                }
            }
        }
        if (outputs.facePartition) *outputs.facePartition = layout_.chartOfTriangle;
        if (outputs.vertexRemap) *outputs.vertexRemap = layout_.vertexSource;
        *outputs.vertices = std::move(vertices);
        *outputs.indexBuffer = std::move(indexBuffer);
        *outputs.partitionAdjacency = std::move(partitionAdjacency);
        return S_OK;
    });
}

HRESULT CIsochartEngine::PackCharts(std::vector<UVAtlasVertex>& vertices, std::span<const uint32_t> indices,
                                    std::span<const uint32_t> adjacency, size_t width, size_t height, float gutter) {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    StageReporter reporter(progress_, frequency_, stagesTotal_, stagesDone_, 1);
    const HRESULT result = guarded([&] {
        if (!reporter.report(0.0f)) return E_ABORT;
        std::vector<float> uvs(2 * vertices.size());
        for (size_t vertex = 0; vertex < vertices.size(); ++vertex) {
            uvs[2 * vertex] = vertices[vertex].uv.x;
            uvs[2 * vertex + 1] = vertices[vertex].uv.y;
        }
        const AtlasPackSettings settings{width, height, gutter};
        const HRESULT packed = packChartAtlas(uvs, indices, adjacency, settings,
                                              [&](float fraction) { return reporter.report(fraction); });
        if (FAILED(packed)) return packed;
        if (!reporter.report(1.0f)) return E_ABORT;
        for (size_t vertex = 0; vertex < vertices.size(); ++vertex)
            vertices[vertex].uv = {uvs[2 * vertex], uvs[2 * vertex + 1]};
        return S_OK;
    });
    if (SUCCEEDED(result)) stagesDone_ = std::min(stagesDone_ + 1, stagesTotal_);
    return result;
}

HRESULT CIsochartEngine::Free() {
    LockScope scope(lock_);
    if (!scope.held()) return E_ABORT;
    dropMesh();
    progress_ = nullptr;
    state_ = EngineState::Uninitialised;
    return S_OK;
}

} // namespace

size_t indexSize(uint32_t format) {
    switch (format) {
    case IndexFormatR32:
        return sizeof(uint32_t);
    case IndexFormatR16:
        return sizeof(uint16_t);
    default:
        return 0;
    }
}

std::unique_ptr<IIsochartEngine> IIsochartEngine::create() {
    try {
        return std::make_unique<CIsochartEngine>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace Isochart
