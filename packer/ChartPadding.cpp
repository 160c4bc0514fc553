#include "ChartPadding.h"

#include "Geometry.h"

#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

constexpr double kIntegerRange = 9223372036854775808.0; // 2^63
constexpr double kStraightTolerance = 0.005;

// The loops of an outline as closed integer paths of their edges' start points.
ClipperLib::Paths toIntegerPaths(const std::vector<OutlineEdge>& edges, Point2 origin, double scale) {
    ClipperLib::Paths paths;
    for (size_t first = 0; first < edges.size();) {
        const size_t count = std::max<size_t>(edges[first].loop_length, 1);
        ClipperLib::Path& path = paths.emplace_back();
        for (size_t i = first; i < std::min(first + count, edges.size()); ++i) {
            const Point2 p = edges[i].start;
            path.emplace_back(static_cast<ClipperLib::cInt>((p.x - origin.x) * scale),
                              static_cast<ClipperLib::cInt>((p.y - origin.y) * scale));
        }
        first += count;
    }
    return paths;
}

// One path's points as edges, merging repeated points and almost straight continuations.
void appendPathEdges(const ClipperLib::Path& path, Point2 origin, double scale, bool outer,
                     std::vector<OutlineEdge>& edges) {
    if (path.size() < 2) return;
    auto point = [&](const ClipperLib::IntPoint& p) {
        return Point2{static_cast<double>(p.X) / scale + origin.x, static_cast<double>(p.Y) / scale + origin.y};
    };
    const size_t first = edges.size();
    const Point2 opening = point(path[0]);
    for (size_t i = 1; i < path.size(); ++i) {
        const Point2 p = point(path[i]);
        if (edges.size() > first) {
            OutlineEdge& last = edges.back();
            const bool zeroLength = last.start == last.end;
            const double turn = (p == last.end || zeroLength) ? 0.0 : turnAngle(last.start - last.end, p - last.end);
            if (p == last.end || zeroLength ||
                (turn > std::numbers::pi - kStraightTolerance && turn < std::numbers::pi + kStraightTolerance)) {
                last.end = p;
                continue;
            }
        }
        OutlineEdge edge;
        edge.start = edges.size() > first ? edges.back().end : opening;
        edge.end = p;
        edge.outer = outer;
        edges.push_back(edge);
    }
    OutlineEdge closing;
    closing.start = edges.back().end;
    closing.end = opening;
    closing.outer = outer;
    edges.push_back(closing);
    edges[first].loop_length = static_cast<uint32_t>(edges.size() - first);
}

} // namespace

void padOutline(PackChart& chart) {
    if (!chart.outline.empty()) {
        Point2 low, size;
        edgesBox(chart.outline, low, size);
        const double padding = std::max(chart.padding, 0.0);
        // The integer scale maps the larger side to 2^63 / 1e6 units; a chart far smaller
        // than its padding is measured by the padding instead, so that the grown outline
        // still fits the integer range.
        const double extent = std::max({size.x, size.y, padding * 1e-4});
        const double scale = kIntegerRange / (extent * 1e6);
        if (extent > 0.0 && std::isfinite(scale) && isFinite(low)) {
            ClipperLib::Paths solution;
            bool offsetDone = true;
            try {
                ClipperLib::ClipperOffset offset(2.0, 0.25);
                offset.AddPaths(toIntegerPaths(chart.outline, low, scale), ClipperLib::jtMiter,
                                ClipperLib::etClosedPolygon);
                offset.Execute(solution, padding * scale);
            } catch (const ClipperLib::clipperException&) {
                offsetDone = false;
            }
            if (offsetDone) {
                // The result's order is the library's; the outer loop is the one with the
                // largest area.
                std::stable_sort(solution.begin(), solution.end(),
                                 [](const ClipperLib::Path& a, const ClipperLib::Path& b) {
                                     return std::abs(ClipperLib::Area(a)) > std::abs(ClipperLib::Area(b));
                                 });
                std::vector<OutlineEdge> padded;
                for (size_t i = 0; i < solution.size(); ++i)
                    appendPathEdges(solution[i], low, scale, i == 0, padded);
                chart.outline = std::move(padded);
            }
        }
    }
    edgesBox(chart.outline, chart.box_min, chart.size);
    chart.pivot = chart.box_min;
}

} // namespace OmbrixVectorPacker
