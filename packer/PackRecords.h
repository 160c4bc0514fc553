#pragma once

#include "BoxTree.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace OmbrixVectorPacker {

constexpr double kLargest = std::numeric_limits<double>::max();

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// One edge of a closed loop. The edges of one outline lie in one array, loop after loop.
struct OutlineEdge {
    Point2 start;
    // The next edge of the loop starts here.
    Point2 end;
    // Bounds of the two end points: min x, min y, max x, max y.
    double box[4] = {0.0, 0.0, 0.0, 0.0};
    // On the first edge of a loop, the number of edges in it; 0 on the others.
    uint32_t loop_length = 0;
    // Edges of the first loop (the outer boundary); holes follow.
    bool outer = false;
};

// A rotated copy of a chart's padded outline, moved so that its box starts at the origin.
struct ChartOrientation {
    double angle = 0.0;
    std::vector<OutlineEdge> edges;
    // The rotated outline's lower-left corner before the move to the origin.
    Point2 box_min{kLargest, kLargest};
    Point2 size{0.0, 0.0};
    // A point on the lower outline under the chart's material, and the length of the
    // vertical probe through the chart from there (the containment test).
    Point2 anchor{0.0, kLargest};
    double anchor_height = kLargest;
    Point2 highest_point{0.0, 0.0};
    Point2 lowest_point{0.0, 0.0};
    // Where the outline was rotated about; not moved with the rest.
    Point2 pivot{kLargest, kLargest};
    // One entry per edge: the edge's box and its position in `edges`.
    BoxTree edge_index;
};

// One rigid chart: its geometry before placement and where it ends.
struct PackChart {
    // Number in the order the charts were found, used to renumber the vertex chart map.
    uint32_t id = 0;
    std::vector<ChartOrientation> orientations;
    // The padded outline; after placement, the chosen orientation's edges at the chart's place.
    std::vector<OutlineEdge> outline;
    // First edge of every loop after the first of the unpadded outline.
    std::vector<uint32_t> loop_starts;
    // Every triangle corner's UV, three per triangle.
    std::vector<Point2> corner_points;
    // Convex hull of the corner points, closed (first point repeated at the end).
    std::vector<Point2> outline_points;
    // Centroids of the triangles with an area not below 1e-16.
    std::vector<Point2> centroids;
    double padding = 0.0;
    Point2 box_min;
    Point2 size;
    Point2 position;
    double angle = 0.0;
    Point2 pivot;
    bool placed = false;
    bool has_outline = false;
    bool locked = false;
    // The chosen orientation's edge index, in that orientation's coordinates.
    const BoxTree* edge_index = nullptr;
    bool pre_rotated = false;
    // The unpadded outline, kept for pictures of the charts.
    std::vector<OutlineEdge> traced_outline;
};

// What the search reads about the run so far. Written only while every worker waits.
struct PackStats {
    double placed_area = 0.0;
    double aspect = 1.0;
    double current_aspect = 1.0;
    uint64_t placed_count = 0;
    uint64_t total_count = 0;
    double epsilon = 1e-8;
};

// The packer of one call of `pack`.
struct VectorPacker {
    std::vector<PackChart> charts;
    // Per UV vertex, the position in `charts` of the chart that owns it.
    std::vector<uint32_t> vertex_chart;
    double step = 0.01;
    double epsilon = 1e-8;
    double extent_x = 0.0;
    double extent_y = 0.0;
    double aspect = 1.0;
    // One box per placed chart, with the chart's position in `charts` as id.
    BoxTree placed_boxes;
    PackStats stats;
};

} // namespace OmbrixVectorPacker
