#include "isochart/ChartMesh.h"

#include <algorithm>

namespace Isochart {

namespace {

uint32_t findRoot(std::vector<uint32_t>& parent, uint32_t x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

void unite(std::vector<uint32_t>& parent, uint32_t a, uint32_t b) {
    a = findRoot(parent, a);
    b = findRoot(parent, b);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
}

void linkInside(const SurfaceMesh& surface, ChartScratch& scratch, ChartMesh& chart) {
    const size_t count = chart.triangleCount();
    chart.links.assign(count, {kNil, kNil, kNil});
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = surface.links[chart.triangles[t]][k];
            if (other != kNil) chart.links[t][k] = scratch.localOf[other];
        }
}

// Corners joined across a link share their vertex: corner k of t holds the edge's start,
// and across the link the same input vertex ends the other triangle's edge.
void mergeCorners(const SurfaceMesh& surface, ChartScratch& scratch, ChartMesh& chart) {
    const size_t count = chart.triangleCount();
    auto& parent = scratch.cornerRoot;
    parent.resize(3 * count);
    for (uint32_t c = 0; c < 3 * count; ++c)
        parent[c] = c;
    size_t linkedEdges = 0, borderEdges = 0;
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = chart.links[t][k];
            if (other == kNil) {
                ++borderEdges;
                continue;
            }
            ++linkedEdges;
            // Links pair up, so the corners across each are joined from its lower triangle alone.
            if (other < t) continue;
            const auto& mine = surface.triangles[chart.triangles[t]];
            const auto& theirs = surface.triangles[chart.triangles[other]];
            for (int j = 0; j < 3; ++j) {
                if (theirs[j] == mine[k]) unite(parent, 3 * t + k, 3 * other + j);
                if (theirs[j] == mine[(k + 1) % 3]) unite(parent, 3 * t + (k + 1) % 3, 3 * other + j);
            }
        }
    chart.edgeCount = linkedEdges / 2 + borderEdges;

    scratch.vertexOfRoot.assign(3 * count, kNil);
    chart.vertexSource.clear();
    chart.onBorder.clear();
    chart.corners.resize(count);
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const uint32_t root = findRoot(parent, 3 * t + k);
            if (scratch.vertexOfRoot[root] == kNil) {
                scratch.vertexOfRoot[root] = uint32_t(chart.vertexSource.size());
                chart.vertexSource.push_back(surface.triangles[chart.triangles[t]][k]);
                chart.onBorder.push_back(0);
            }
            chart.corners[t][k] = scratch.vertexOfRoot[root];
        }
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k)
            if (chart.links[t][k] == kNil) {
                chart.onBorder[chart.corners[t][k]] = 1;
                chart.onBorder[chart.corners[t][(k + 1) % 3]] = 1;
            }
}

size_t countComponents(ChartScratch& scratch, const ChartMesh& chart) {
    const size_t count = chart.triangleCount();
    std::vector<uint8_t> seen(count, 0);
    size_t components = 0;
    for (uint32_t start = 0; start < count; ++start) {
        if (seen[start]) continue;
        ++components;
        seen[start] = 1;
        scratch.stack.assign(1, start);
        while (!scratch.stack.empty()) {
            const uint32_t t = scratch.stack.back();
            scratch.stack.pop_back();
            for (uint32_t other : chart.links[t])
                if (other != kNil && !seen[other]) {
                    seen[other] = 1;
                    scratch.stack.push_back(other);
                }
        }
    }
    return components;
}

} // namespace

VertexCorners vertexCorners(const ChartMesh& chart) {
    VertexCorners result;
    result.start.assign(chart.vertexCount() + 1, 0);
    for (const auto& triangle : chart.corners)
        for (uint32_t v : triangle)
            ++result.start[v + 1];
    for (size_t v = 0; v < chart.vertexCount(); ++v)
        result.start[v + 1] += result.start[v];
    result.corners.resize(result.start.back());
    std::vector<uint32_t> fill(result.start.begin(), result.start.end() - 1);
    for (uint32_t t = 0; t < chart.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            result.corners[fill[chart.corners[t][k]]++] = 3 * t + k;
    return result;
}

std::vector<Eigen::Vector3d> chartPositions(const SurfaceMesh& surface, const ChartMesh& chart) {
    std::vector<Eigen::Vector3d> positions(chart.vertexCount());
    for (uint32_t v = 0; v < chart.vertexCount(); ++v)
        positions[v] = surface.positions[chart.vertexSource[v]];
    return positions;
}

uint32_t localTriangle(const ChartMesh& chart, uint32_t triangle) {
    const auto found = std::lower_bound(chart.triangles.begin(), chart.triangles.end(), triangle);
    return found != chart.triangles.end() && *found == triangle ? uint32_t(found - chart.triangles.begin()) : kNil;
}

void buildChartMesh(const SurfaceMesh& surface, std::span<const uint32_t> triangles, ChartScratch& scratch,
                    ChartMesh& chart) {
    chart.triangles.assign(triangles.begin(), triangles.end());
    for (uint32_t t = 0; t < chart.triangles.size(); ++t)
        scratch.localOf[chart.triangles[t]] = t;
    linkInside(surface, scratch, chart);
    for (uint32_t t : chart.triangles)
        scratch.localOf[t] = kNil;
    mergeCorners(surface, scratch, chart);
    chart.componentCount = countComponents(scratch, chart);
}

std::vector<std::vector<uint32_t>> connectedParts(const SurfaceMesh& surface, std::span<const uint32_t> triangles,
                                                  ChartScratch& scratch) {
    // localOf marks membership (0) and then the visited state (1) of every triangle.
    for (uint32_t t : triangles)
        scratch.localOf[t] = 0;
    std::vector<std::vector<uint32_t>> parts;
    for (uint32_t start : triangles) {
        if (scratch.localOf[start] != 0) continue;
        std::vector<uint32_t> part;
        scratch.localOf[start] = 1;
        scratch.stack.assign(1, start);
        while (!scratch.stack.empty()) {
            const uint32_t t = scratch.stack.back();
            scratch.stack.pop_back();
            part.push_back(t);
            for (uint32_t other : surface.links[t])
                if (other != kNil && scratch.localOf[other] == 0) {
                    scratch.localOf[other] = 1;
                    scratch.stack.push_back(other);
                }
        }
        std::sort(part.begin(), part.end());
        parts.push_back(std::move(part));
    }
    for (uint32_t t : triangles)
        scratch.localOf[t] = kNil;
    std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return parts;
}

} // namespace Isochart
