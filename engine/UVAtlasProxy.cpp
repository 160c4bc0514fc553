#include "UVAtlasProxy.h"

#include "core/VarnelleException.h"
#include "packer/ChartPreparation.h"
#include "packer/Pack.h"
#include "packer/PackErrors.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>

namespace {

constexpr float kProgressFrequency = 0.1f;

// Texels beyond the padding that keep two polygon-packed charts `padding` free texels apart
// wherever they lie on the texel grid: one for the texels the charts enter, sqrt(2) for
// diagonal neighbours.
constexpr double kRasterMargin = 1.0 + std::numbers::sqrt2;

HRESULT keepGoing(float) {
    return S_OK;
}

// Packs `points` with the polygon packer, keeping `margin` texels more than the padding between
// the charts; the padding grows by the border shrink's factor `shrink`, so that it is whole
// after the shrink. Throws the packer's errors.
void packPolygons(const UnwrapSettings& settings, float shrink, std::vector<OmbrixVectorPacker::Point2>& points,
                  const std::vector<uint32_t>& triangles, const std::vector<uint32_t>& adjacency, double margin) {
    const OmbrixVectorPacker::PackSettings packSettings = OmbrixVectorPacker::makePackSettings(
        settings.tex_width, settings.tex_height, (settings.padding + margin) / shrink, settings.pre_rotate,
        settings.rotation, settings.full_rotation, settings.pack_mode);
    OmbrixVectorPacker::VectorPacker packer;
    OmbrixVectorPacker::pack(packer, points, triangles, adjacency, packSettings, std::span<const uint32_t>{});
}

std::vector<uint8_t> indexBufferOf(const std::vector<uint32_t>& indices) {
    std::vector<uint8_t> buffer(indices.size() * sizeof(uint32_t));
    if (!indices.empty()) std::memcpy(buffer.data(), indices.data(), buffer.size());
    return buffer;
}

std::vector<uint32_t> indicesOf(const std::vector<uint8_t>& buffer) {
    std::vector<uint32_t> indices(buffer.size() / sizeof(uint32_t));
    if (!indices.empty()) std::memcpy(indices.data(), buffer.data(), indices.size() * sizeof(uint32_t));
    return indices;
}

void appendUVs(const std::vector<UVAtlasVertex>& vertices, std::vector<float>& uvs) {
    uvs.clear();
    uvs.reserve(3 * vertices.size());
    for (const UVAtlasVertex& vertex : vertices)
        uvs.insert(uvs.end(), {vertex.uv.x, vertex.uv.y, 0.0f});
}

// The components of the adjacency, each a list of triangles in the order a depth-first walk
// visits them.
std::vector<std::vector<uint32_t>> findGroups(const std::vector<uint32_t>& adjacency, size_t triangleCount) {
    std::vector<std::vector<uint32_t>> groups;
    std::vector<char> marked(triangleCount, 0);
    std::vector<uint32_t> stack;
    for (uint32_t start = 0; start < triangleCount; ++start) {
        if (marked[start]) continue;
        std::vector<uint32_t>& group = groups.emplace_back();
        stack.assign(1, start);
        while (!stack.empty()) {
            const uint32_t triangle = stack.back();
            stack.pop_back();
            if (marked[triangle]) continue;
            marked[triangle] = 1;
            group.push_back(triangle);
            for (int k = 0; k < 3; ++k) {
                const uint32_t neighbour = adjacency[3 * size_t{triangle} + k];
                if (neighbour != NIL && !marked[neighbour]) stack.push_back(neighbour);
            }
        }
    }
    return groups;
}

// Merges the two smallest groups (by UV area) until at most `limit` (at least 1) remain; the
// survivors keep their ascending group order.
void mergeSmallestGroups(const UnwrapMesh& mesh, std::vector<std::vector<uint32_t>>& groups, size_t limit) {
    if (groups.size() <= limit) return;
    // A multimap inserts after the entries of equal area, so ties go to the group met first.
    std::multimap<float, size_t> byArea;
    for (size_t group = 0; group < groups.size(); ++group) {
        float area = 0.0f;
        for (const uint32_t triangle : groups[group])
            area += triangleArea(mesh.uvs, &mesh.uv_indices[3 * size_t{triangle}]);
        byArea.emplace(area, group);
    }
    while (byArea.size() > limit) {
        const auto smallest = byArea.begin();
        const auto next = std::next(smallest);
        const float area = smallest->first + next->first;
        std::vector<uint32_t>& into = groups[next->second];
        std::vector<uint32_t>& from = groups[smallest->second];
        into.insert(into.end(), from.begin(), from.end());
        from.clear();
        const size_t kept = next->second;
        byArea.erase(byArea.begin(), std::next(next));
        byArea.emplace(area, kept);
    }
    std::erase_if(groups, [](const std::vector<uint32_t>& group) { return group.empty(); });
}

// One group's triangles as a mesh of their own: the UVs they use in order of first use, the
// adjacency renumbered to the group's triangles. `sourceUV` receives the UV each copy came from.
UnwrapMesh groupMesh(const UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency,
                     const std::vector<uint32_t>& triangles, std::vector<uint32_t>& localTriangle,
                     std::vector<uint32_t>& localUV, std::vector<uint32_t>& groupAdjacency,
                     std::vector<uint32_t>& sourceUV) {
    UnwrapMesh group;
    sourceUV.clear();
    for (uint32_t local = 0; local < triangles.size(); ++local)
        localTriangle[triangles[local]] = local;
    groupAdjacency.assign(3 * triangles.size(), NIL);
    group.uv_indices.reserve(3 * triangles.size());
    for (size_t local = 0; local < triangles.size(); ++local) {
        for (int k = 0; k < 3; ++k) {
            const size_t corner = 3 * size_t{triangles[local]} + k;
            const uint32_t uv = mesh.uv_indices[corner];
            if (localUV[uv] == NIL) {
                localUV[uv] = static_cast<uint32_t>(sourceUV.size());
                sourceUV.push_back(uv);
                group.uvs.insert(group.uvs.end(), &mesh.uvs[3 * size_t{uv}], &mesh.uvs[3 * size_t{uv} + 3]);
            }
            group.uv_indices.push_back(localUV[uv]);
            const uint32_t neighbour = adjacency[corner];
            if (neighbour != NIL) groupAdjacency[3 * local + k] = localTriangle[neighbour];
        }
    }
    for (const uint32_t uv : sourceUV)
        localUV[uv] = NIL;
    return group;
}

} // namespace

UVAtlasProxy::UVAtlasProxy() {
    settings_.tile_mode = 0;
    settings_.tile_numx = 1;
    settings_.tile_numy = 1;
}

void UVAtlasProxy::setSettings(const UnwrapSettings& settings) {
    settings_ = settings;
}

bool UVAtlasProxy::unwrapCharts(const UnwrapMesh& input, UnwrapMesh& output, std::vector<uint32_t>& vertexRemap,
                                const UVAtlasProgress& progress, std::vector<uint32_t>& partitionAdjacency,
                                const std::vector<uint32_t>& adjacency, const std::vector<uint32_t>& falseEdges) {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    float stretch = 0.0f;
    size_t charts = 0;
    const HRESULT status =
        UVAtlasPartition(input.positions.data(), input.positionCount(), input.indices.data(), UVATLAS_FORMAT_R32_UINT,
                         input.triangleCount(), 0, static_cast<float>(settings_.stretch), adjacency.data(),
                         falseEdges.empty() ? nullptr : falseEdges.data(), nullptr, progress, kProgressFrequency, 0,
                         vertices, indexBuffer, nullptr, &vertexRemap, partitionAdjacency, &stretch, &charts);
    if (FAILED(status)) raiseError(ErrorSites::UnwrapImpossible);

    UnwrapMesh unwrapped(input.positions, input.indices);
    appendUVs(vertices, unwrapped.uvs);
    unwrapped.uv_indices = indicesOf(indexBuffer);
    output = std::move(unwrapped);
    largestStretch_ = stretch;
    chartCount_ = charts;
    return true;
}

std::vector<uint32_t> UVAtlasProxy::labelCharts(const UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency) const {
    assert(adjacency.size() == mesh.uvIndexCount());
    std::vector<uint32_t> labels;
    OmbrixVectorPacker::findChartIds(adjacency, mesh.uvIndexCount() / 3, labels);
    return labels;
}

void UVAtlasProxy::packCharts(UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency,
                              const UVAtlasProgress& progress) const {
    if (settings_.pack_mode == 0) {
        std::vector<UVAtlasVertex> vertices(mesh.uvCount());
        for (size_t uv = 0; uv < vertices.size(); ++uv)
            vertices[uv] = {{0.0f, 0.0f, 0.0f}, {mesh.uvs[3 * uv], mesh.uvs[3 * uv + 1]}};
        const std::vector<uint8_t> indexBuffer = indexBufferOf(mesh.uv_indices);
        // The fit into the unit square and the border shrink move the layout off the engine's
        // texel grid, where a gap of g texels keeps only g - 1 of them free; one texel more
        // and the shrink's factor keep `padding` texels free between the charts.
        const float gutter =
            settings_.padding > 0.0 ? static_cast<float>((settings_.padding + 1.0) / borderScale()) : 0.0f;
        const HRESULT status =
            UVAtlasPack(vertices, indexBuffer, UVATLAS_FORMAT_R32_UINT, static_cast<size_t>(settings_.tex_width),
                        static_cast<size_t>(settings_.tex_height), gutter, adjacency, progress, kProgressFrequency);
        if (FAILED(status)) raiseError(ErrorSites::PackingImpossible);
        UnwrapMesh packed;
        appendUVs(vertices, packed.uvs);
        packed.uv_indices = indicesOf(indexBuffer);
        mesh = std::move(packed);
        return;
    }
    // The polygon packer keeps an exact distance between outlines. A texture holds a chart on
    // every texel its outline enters, so two charts g texels apart on a diagonal can leave as
    // little as g - 1 - sqrt(2) texels free between them: the packer keeps that margin more,
    // so that `padding` texels stay free. A texture too small for the margin gets the exact
    // padding alone rather than no layout.
    std::vector<OmbrixVectorPacker::Point2> points(mesh.uvCount());
    for (size_t uv = 0; uv < points.size(); ++uv)
        points[uv] = {mesh.uvs[3 * uv], mesh.uvs[3 * uv + 1]};
    try {
        try {
            packPolygons(settings_, borderScale(), points, mesh.uv_indices, adjacency,
                         settings_.padding > 0.0 ? kRasterMargin : 0.0);
        } catch (const OmbrixVectorPacker::PackSpaceError&) {
            if (settings_.padding <= 0.0) throw;
            packPolygons(settings_, borderScale(), points, mesh.uv_indices, adjacency, 0.0);
        }
    } catch (const OmbrixVectorPacker::PackSpaceError&) {
        raiseError(ErrorSites::PackingImpossible);
    } catch (const OmbrixVectorPacker::PackInputError&) {
        // Charts the packer cannot place at all (no area, a span beyond its arithmetic) end the
        // run as any other packing failure does, with the user's message.
        raiseError(ErrorSites::PackingImpossible);
    }
    for (size_t uv = 0; uv < points.size(); ++uv) {
        mesh.uvs[3 * uv] = static_cast<float>(points[uv].x);
        mesh.uvs[3 * uv + 1] = static_cast<float>(points[uv].y);
    }
}

void UVAtlasProxy::packTiles(UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency) const {
    const size_t triangleCount = mesh.uvIndexCount() / 3;
    const int64_t columns = std::max(settings_.tile_numx, 1);
    const int64_t rows = std::max(settings_.tile_numy, 1);
    std::vector<std::vector<uint32_t>> groups = findGroups(adjacency, triangleCount);
    mergeSmallestGroups(mesh, groups, static_cast<size_t>(columns * rows));

    std::vector<uint32_t> localTriangle(triangleCount, NIL), localUV(mesh.uvCount(), NIL), groupAdjacency, sourceUV;
    const UVAtlasProgress progress = keepGoing;
    for (size_t tile = 0; tile < groups.size(); ++tile) {
        UnwrapMesh group = groupMesh(mesh, adjacency, groups[tile], localTriangle, localUV, groupAdjacency, sourceUV);
        packCharts(group, groupAdjacency, progress);
        normalizeToUnitSquare(group);
        applyPadding(group);
        const float column = static_cast<float>(static_cast<int64_t>(tile) % columns);
        const float row = static_cast<float>(static_cast<int64_t>(tile) / columns);
        for (size_t local = 0; local < sourceUV.size(); ++local) {
            float* uv = &mesh.uvs[3 * size_t{sourceUV[local]}];
            uv[0] = group.uvs[3 * local] + column;
            uv[1] = group.uvs[3 * local + 1] + row;
            uv[2] = group.uvs[3 * local + 2];
        }
    }
}

void UVAtlasProxy::fitAspect(UnwrapMesh& mesh) const {
    const float width = static_cast<float>(settings_.tex_width), height = static_cast<float>(settings_.tex_height);
    const float a = std::max(height / width, 1.0f), b = std::max(width / height, 1.0f);
    for (size_t uv = 0; uv < mesh.uvCount(); ++uv) {
        mesh.uvs[3 * uv] *= a;
        mesh.uvs[3 * uv + 1] *= b;
    }
}

void UVAtlasProxy::normalizeToUnitSquare(UnwrapMesh& mesh) const {
    if (mesh.uvs.empty()) return;
    float lowU = 3.4028235e38f, lowV = 3.4028235e38f, highU = -3.4028235e38f, highV = -3.4028235e38f;
    for (size_t uv = 0; uv < mesh.uvCount(); ++uv) {
        lowU = std::min(lowU, mesh.uvs[3 * uv]);
        highU = std::max(highU, mesh.uvs[3 * uv]);
        lowV = std::min(lowV, mesh.uvs[3 * uv + 1]);
        highV = std::max(highV, mesh.uvs[3 * uv + 1]);
    }
    const float extent = std::max(highU - lowU, highV - lowV);
    // A layout that is a single point would otherwise become NaN.
    const float scale = extent > 0.0f ? 1.0f / extent : 1.0f;
    for (size_t uv = 0; uv < mesh.uvCount(); ++uv) {
        mesh.uvs[3 * uv] = (mesh.uvs[3 * uv] - lowU) * scale;
        mesh.uvs[3 * uv + 1] = (mesh.uvs[3 * uv + 1] - lowV) * scale;
        mesh.uvs[3 * uv + 2] *= scale;
    }
}

float UVAtlasProxy::borderPadding() const {
    return static_cast<float>(settings_.padding / std::max(settings_.tex_width, settings_.tex_height));
}

float UVAtlasProxy::borderScale() const {
    const float width = static_cast<float>(settings_.tex_width), height = static_cast<float>(settings_.tex_height);
    const float k = 1.0f - std::max(width / height, height / width) * borderPadding();
    // A padding as wide as the texture's smaller side would mirror the layout out of the square.
    if (!(k > 0.0f)) raiseError(ErrorSites::PackingImpossible);
    return k;
}

void UVAtlasProxy::applyPadding(UnwrapMesh& mesh) const {
    const float p = borderPadding();
    const float k = borderScale();
    for (size_t uv = 0; uv < mesh.uvCount(); ++uv) {
        mesh.uvs[3 * uv] = k * mesh.uvs[3 * uv] + p / 2.0f;
        mesh.uvs[3 * uv + 1] = k * mesh.uvs[3 * uv + 1] + p / 2.0f;
    }
}

bool UVAtlasProxy::exportUVs(const UnwrapMesh& mesh, std::vector<float>& uvs, std::vector<uint32_t>& uvIndices) const {
    uvs = mesh.uvs;
    uvIndices = mesh.uv_indices;
    return true;
}
