#include "ChartPadding.h"

#include "Geometry.h"

#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

constexpr double kIntegerRange = 9223372036854775808.0; // 2^63
// Integer units (about 1e-7 of the chart's larger side) the offset adds to the padding:
// more than the rounding of the points to integers takes away, so that the grown outline
// holds the exact offset, at padding 0 the chart itself. It also keeps the library's offset
// beyond every corner sharper than about 1e-6 rad, which it would otherwise cut through.
constexpr double kRoundingAllowance = 1 << 20;
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

// One path's points as edges, merging repeated points and almost straight continuations
// as long as the merged edge stays outside the offset (the library's paths have their
// material on the left).
void appendPathEdges(const ClipperLib::Path& path, Point2 origin, double scale, bool outer,
                     std::vector<OutlineEdge>& edges) {
    if (path.size() < 2) return;
    auto point = [&](const ClipperLib::IntPoint& p) {
        return Point2{static_cast<double>(p.X) / scale + origin.x, static_cast<double>(p.Y) / scale + origin.y};
    };
    const size_t first = edges.size();
    const Point2 opening = point(path[0]);
    StraightRun run;
    for (size_t i = 1; i < path.size(); ++i) {
        const Point2 p = point(path[i]);
        if (edges.size() > first) {
            OutlineEdge& last = edges.back();
            if (p == last.end) continue;
            const bool zeroLength = last.start == last.end;
            const double turn = zeroLength ? 0.0 : turnAngle(last.start - last.end, p - last.end);
            if (zeroLength || (turn > std::numbers::pi - kStraightTolerance &&
                               turn < std::numbers::pi + kStraightTolerance && run.admits(last.end, p))) {
                run.merge(last.end);
                last.end = p;
                continue;
            }
        }
        OutlineEdge edge;
        edge.start = edges.size() > first ? edges.back().end : opening;
        edge.end = p;
        edge.outer = outer;
        edges.push_back(edge);
        run.restart(edge.start);
    }
    OutlineEdge closing;
    closing.start = edges.back().end;
    closing.end = opening;
    closing.outer = outer;
    edges.push_back(closing);
    edges[first].loop_length = static_cast<uint32_t>(edges.size() - first);
}

// The box from `low` of `size` grown by `margin` on every side, as one counter-clockwise loop.
void appendGrownBox(Point2 low, Point2 size, double margin, std::vector<OutlineEdge>& edges) {
    const Point2 a{low.x - margin, low.y - margin}, c{low.x + size.x + margin, low.y + size.y + margin};
    const Point2 corners[4] = {a, {c.x, a.y}, c, {a.x, c.y}};
    const size_t first = edges.size();
    for (int i = 0; i < 4; ++i) {
        OutlineEdge edge;
        edge.start = corners[i];
        edge.end = corners[(i + 1) % 4];
        edge.outer = true;
        edges.push_back(edge);
    }
    edges[first].loop_length = 4;
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
                offset.Execute(solution, padding * scale + kRoundingAllowance);
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
                // The library grows nothing without area (a chart on one line or point);
                // the box grown by the padding holds its offset.
                if (padded.empty()) appendGrownBox(low, size, padding + kRoundingAllowance / scale, padded);
                chart.outline = std::move(padded);
            }
        }
    }
    edgesBox(chart.outline, chart.box_min, chart.size);
    chart.pivot = chart.box_min;
}

} // namespace OmbrixVectorPacker
