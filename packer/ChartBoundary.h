#pragma once

#include "PackRecords.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace OmbrixVectorPacker {

// Traces the outline of the union of one chart's UV triangles: the outer loop first
// (counter-clockwise), then one loop per hole that the coverage raster finds. Keeps its
// working arrays between charts, so one tracer per thread serves many charts.
class BoundaryTracer {
public:
    // `corners` holds three UV-vertex numbers per triangle of the chart. Writes the loops'
    // edges and the first edge of every loop after the first; returns false, with both
    // empty, when the chart has fewer than three distinct edges or a walk fails.
    bool trace(std::span<const Point2> uvs, std::span<const uint32_t> corners, std::vector<OutlineEdge>& edges,
               std::vector<uint32_t>& loopStarts);

private:
    static constexpr int kRasterSize = 50;

    bool collectGraph(std::span<const Point2> uvs, std::span<const uint32_t> corners);
    void indexEdges();
    void addToIndex(uint32_t edge);
    void cellRange(Point2 low, Point2 high, int (&range)[4]) const;
    void edgesNear(Point2 low, Point2 high, uint32_t below);
    void markCoverage(std::span<const Point2> uvs, std::span<const uint32_t> corners);
    void markTriangleCoverage(const Point2 (&corner)[3]);
    void floodFill(int row, int column);
    bool traceHoles(std::vector<std::vector<uint32_t>>& loops);
    bool walk(uint32_t start, Point2 previous, std::vector<uint32_t>& loop);
    void splitEdgesThrough(uint32_t vertex);
    uint32_t splitAtNearestMeeting(uint32_t edge, uint32_t from);
    uint32_t splitEdge(uint32_t edge, uint32_t keepEnd, uint32_t at);
    uint32_t otherEnd(uint32_t edge, uint32_t vertex) const {
        return edges_[edge][0] == vertex ? edges_[edge][1] : edges_[edge][0];
    }

    std::vector<uint32_t> vertexIds_;
    std::vector<Point2> points_;
    std::vector<std::array<uint32_t, 2>> edges_;
    std::vector<uint8_t> edgeTraced_;
    std::vector<std::vector<uint32_t>> vertexEdges_;
    std::vector<uint32_t> visitStamp_;
    uint32_t stamp_ = 0;
    uint32_t rightmost_ = 0;
    Point2 boxMin_, cellSize_;
    bool hasRaster_ = false;
    std::vector<uint8_t> raster_;
    std::vector<int> fillStack_;
    std::vector<std::vector<uint32_t>> loops_;
    // A uniform grid over the chart's box listing the edges whose box meets each cell (an
    // edge shortened by a split keeps its cells), so that the walk looks only at the edges
    // near a step; and the sorted edge numbers of the last lookup.
    Point2 gridMin_, gridCell_;
    int gridSize_ = 0;
    std::vector<std::vector<uint32_t>> gridCells_;
    std::vector<uint32_t> nearEdges_;
};

} // namespace OmbrixVectorPacker
