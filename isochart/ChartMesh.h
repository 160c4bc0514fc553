#pragma once

#include "isochart/SurfaceMesh.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace Isochart {

// One chart as its own small mesh. Its vertices are the fans of the input vertices inside
// the chart: corners that meet at an input vertex share a chart vertex only when links
// inside the chart join them, so bowties and non-manifold vertices come apart.
struct ChartMesh {
    std::vector<uint32_t> triangles;              // input triangle numbers
    std::vector<std::array<uint32_t, 3>> corners; // chart vertex per corner
    std::vector<std::array<uint32_t, 3>> links;   // chart triangle across each corner, or kNil
    std::vector<uint32_t> vertexSource;           // input vertex per chart vertex
    std::vector<uint8_t> onBorder;                // per chart vertex
    size_t edgeCount = 0;
    size_t componentCount = 0;

    size_t vertexCount() const { return vertexSource.size(); }
    size_t triangleCount() const { return triangles.size(); }
    // A connected surface with Euler characteristic 1 and a border is a topological disk.
    bool isDisk() const {
        return componentCount == 1 && long(vertexCount()) - long(edgeCount) + long(triangleCount()) == 1;
    }
};

// Reusable per-worker memory for building chart meshes: one slot per input triangle.
struct ChartScratch {
    std::vector<uint32_t> localOf;    // chart triangle of an input triangle, kNil outside
    std::vector<uint32_t> cornerRoot; // union-find over corners
    std::vector<uint32_t> vertexOfRoot;
    std::vector<uint32_t> stack;
    std::vector<double> polygonBalance; // zero outside use

    explicit ChartScratch(size_t triangleCount) : localOf(triangleCount, kNil), polygonBalance(triangleCount, 0.0) {}
};

// The corners (3 t + k) around every chart vertex: vertex v owns corners[start[v] .. start[v + 1]).
struct VertexCorners {
    std::vector<uint32_t> start;
    std::vector<uint32_t> corners;
};

VertexCorners vertexCorners(const ChartMesh& chart);

// The 3D position of every chart vertex.
std::vector<Eigen::Vector3d> chartPositions(const SurfaceMesh& surface, const ChartMesh& chart);

// Where an input triangle sits in a chart (whose triangles are sorted), or kNil.
uint32_t localTriangle(const ChartMesh& chart, uint32_t triangle);

// Builds the chart made of `triangles` (input numbers, any order, no repeats).
void buildChartMesh(const SurfaceMesh& surface, std::span<const uint32_t> triangles, ChartScratch& scratch,
                    ChartMesh& chart);

// The chart triangle sets connected through links, each in increasing input order.
std::vector<std::vector<uint32_t>> connectedParts(const SurfaceMesh& surface, std::span<const uint32_t> triangles,
                                                  ChartScratch& scratch);

} // namespace Isochart
