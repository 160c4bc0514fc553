#include "ChartOrientations.h"

#include "ConvexHull.h"
#include "Geometry.h"

#include <algorithm>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

// The edges whose x range meets each of a row of equal slices of the outline's box, so that
// the outline's values at one x come from the few edges over it.
class EdgeColumns {
public:
    explicit EdgeColumns(const std::vector<OutlineEdge>& edges) : edges_(edges) {
        double low = kLargest, high = -kLargest;
        for (const OutlineEdge& edge : edges) {
            low = std::min({low, edge.start.x, edge.end.x});
            high = std::max({high, edge.start.x, edge.end.x});
        }
        low_ = low;
        count_ = std::clamp(static_cast<int>(edges.size() / 4), 1, 1024);
        width_ = high > low ? (high - low) / count_ : 0.0;
        columns_.resize(static_cast<size_t>(count_));
        for (uint32_t e = 0; e < edges.size(); ++e) {
            const int first = column(std::min(edges[e].start.x, edges[e].end.x));
            const int last = column(std::max(edges[e].start.x, edges[e].end.x));
            for (int c = first; c <= last; ++c)
                columns_[static_cast<size_t>(c)].push_back(e);
        }
    }

    // The outline's y values at `x`: an edge starting there gives its start y (a vertical
    // edge the lower or, with `verticalHigh`, the upper of its ends), an edge ending there its
    // end y, an edge spanning x strictly its interpolated y.
    template <typename Visit>
    void valuesAt(double x, bool verticalHigh, Visit visit) const {
        for (const uint32_t index : columns_[static_cast<size_t>(column(x))]) {
            const Point2 s = edges_[index].start, e = edges_[index].end;
            if (s.x == x) {
                if (e.x == x)
                    visit(verticalHigh ? std::max(s.y, e.y) : std::min(s.y, e.y));
                else
                    visit(s.y);
            } else if (e.x == x) {
                visit(e.y);
            } else if (std::min(s.x, e.x) < x && x < std::max(s.x, e.x)) {
                visit(yAtX(s, e, x));
            }
        }
    }

private:
    int column(double x) const {
        if (!(x > low_) || !(width_ > 0.0)) return 0;
        const double c = std::floor((x - low_) / width_);
        return c >= count_ - 1 ? count_ - 1 : static_cast<int>(c);
    }

    const std::vector<OutlineEdge>& edges_;
    double low_ = 0.0;
    double width_ = 0.0;
    int count_ = 1;
    std::vector<std::vector<uint32_t>> columns_;
};

void findAnchor(const PackChart& chart, ChartOrientation& orientation, double cosine, double sine) {
    const EdgeColumns columns(orientation.edges);
    orientation.anchor = {0.0, 0.0};
    double lowestFloor = kLargest;
    bool found = false;
    for (const Point2 centroid : chart.centroids) {
        const Point2 c = rotateAbout(centroid, orientation.pivot, cosine, sine);
        double floor = -kLargest;
        columns.valuesAt(c.x, false, [&](double y) {
            if (y < c.y) floor = std::max(floor, y);
        });
        if (!found || floor < lowestFloor || (floor == lowestFloor && c.x > orientation.anchor.x)) {
            found = true;
            lowestFloor = floor;
            orientation.anchor = {c.x, floor};
        }
    }
    double top = -kLargest;
    columns.valuesAt(orientation.anchor.x, true, [&](double y) { top = std::max(top, y); });
    orientation.anchor_height = top - orientation.anchor.y;
}

void findExtremePoints(ChartOrientation& orientation) {
    bool first = true;
    for (const OutlineEdge& edge : orientation.edges) {
        for (const Point2 p : {edge.start, edge.end}) {
            if (first || p.y > orientation.highest_point.y ||
                (p.y == orientation.highest_point.y && p.x < orientation.highest_point.x))
                orientation.highest_point = p;
            if (first || p.y < orientation.lowest_point.y ||
                (p.y == orientation.lowest_point.y && p.x < orientation.lowest_point.x))
                orientation.lowest_point = p;
            first = false;
        }
    }
}

double boxArea(const ChartOrientation& orientation) {
    return orientation.size.x * orientation.size.y;
}

} // namespace

uint32_t orientationAngleIndex(uint32_t i, uint32_t count) {
    uint32_t index = 0;
    for (uint32_t bit = 0; (2u << bit) <= count; ++bit)
        if ((i >> bit) & 1u) index += count >> (bit + 1);
    return index;
}

void buildOrientations(PackChart& chart, const PackSettings& settings) {
    const uint32_t count = settings.rotation_count + 1;
    const double theta = settings.pre_rotate ? minimumWidthAngle(chart.outline_points) : 0.0;
    chart.orientations.clear();
    chart.orientations.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        ChartOrientation& orientation = chart.orientations[i];
        orientation.angle = orientationAngleIndex(i, count) * settings.rotation_step;
        if (settings.pre_rotate) {
            orientation.angle += std::numbers::pi / 2.0 - theta;
            chart.pre_rotated = true;
        }
        const double cosine = std::cos(orientation.angle), sine = std::sin(orientation.angle);
        orientation.pivot = chart.pivot;
        orientation.edges = chart.outline;
        for (OutlineEdge& edge : orientation.edges) {
            edge.start = rotateAbout(edge.start, orientation.pivot, cosine, sine);
            edge.end = rotateAbout(edge.end, orientation.pivot, cosine, sine);
        }
        edgesBox(orientation.edges, orientation.box_min, orientation.size);
        findAnchor(chart, orientation, cosine, sine);
        findExtremePoints(orientation);
        const Point2 shift = orientation.box_min;
        for (OutlineEdge& edge : orientation.edges) {
            edge.start = edge.start - shift;
            edge.end = edge.end - shift;
        }
        orientation.anchor = orientation.anchor - shift;
        orientation.highest_point = orientation.highest_point - shift;
        orientation.lowest_point = orientation.lowest_point - shift;
    }
}

void thinOrientations(PackChart& chart, double largestExtent, bool preRotate) {
    std::vector<ChartOrientation>& orientations = chart.orientations;
    if (!orientations.empty()) {
        const double larger = std::max(orientations[0].size.x, orientations[0].size.y);
        if (larger < 0.01 || larger < 0.05 * largestExtent) {
            orientations.resize(1);
        } else {
            double reference = boxArea(orientations[0]);
            if (!preRotate)
                for (const ChartOrientation& o : orientations)
                    reference = std::min(reference, boxArea(o));
            orientations.erase(
                std::remove_if(orientations.begin() + 1, orientations.end(),
                               [reference](const ChartOrientation& o) { return boxArea(o) * 0.1 > reference; }),
                orientations.end());
            if (larger < 0.25 * largestExtent) {
                for (size_t i = 0; i < orientations.size(); ++i) {
                    const Point2 kept = orientations[i].size;
                    orientations.erase(std::remove_if(orientations.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                      orientations.end(),
                                                      [kept](const ChartOrientation& o) {
                                                          return std::abs(o.size.x - kept.x) < 0.05 * kept.x &&
                                                                 std::abs(o.size.y - kept.y) < 0.05 * kept.y;
                                                      }),
                                       orientations.end());
                }
            }
        }
    }
    std::vector<BoxEntry> boxes;
    for (ChartOrientation& orientation : orientations) {
        boxes.clear();
        for (uint32_t e = 0; e < orientation.edges.size(); ++e)
            boxes.push_back(edgeBoxEntry(orientation.edges[e], e));
        orientation.edge_index.clear();
        orientation.edge_index.build(boxes);
    }
}

} // namespace OmbrixVectorPacker
