#include "RestingBound.h"

#include "Geometry.h"

#include <algorithm>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

constexpr int kLines = 9;
// How far inside a placed chart's outline a point must lie to count as inside: more than
// the rounding of the exact crossing tests.
constexpr double kInside = 1e-9;
// Slopes beyond this make a crossing point too sensitive to a rounding step in x.
constexpr double kSteep = 1e6;

bool spans(const OutlineEdge& edge, double x) {
    return (edge.start.x <= x && x < edge.end.x) || (edge.end.x <= x && x < edge.start.x);
}

bool steep(const OutlineEdge& edge) {
    return std::abs(edge.end.y - edge.start.y) > kSteep * std::abs(edge.end.x - edge.start.x);
}

double crossingY(const OutlineEdge& edge, double x) {
    return edge.start.y + (x - edge.start.x) / (edge.end.x - edge.start.x) * (edge.end.y - edge.start.y);
}

} // namespace

void probeLines(const ChartOrientation& orientation, std::vector<ProbeLine>& lines) {
    lines.clear();
    const double width = orientation.size.x;
    if (!(width > 0.0)) return;
    for (int k = 0; k < kLines; ++k) {
        // Spread over the width, the outer ones just inside the sides.
        const double offset = width * (0.002 + 0.996 * k / (kLines - 1));
        ProbeLine line{offset, kLargest, -kLargest};
        bool usable = true;
        for (const OutlineEdge& edge : orientation.edges) {
            if (!spans(edge, offset)) continue;
            usable = usable && !steep(edge);
            const double y = crossingY(edge, offset);
            line.low = std::min(line.low, y);
            line.high = std::max(line.high, y);
        }
        if (usable && line.low < line.high) lines.push_back(line);
    }
}

double RestingBound::lowest(const VectorPacker& packer, const std::vector<ProbeLine>& lines, double x, double y0) {
    if (lines.empty()) return y0;
    lineX_.clear();
    double lowest = kLargest;
    for (const ProbeLine& line : lines) {
        lineX_.push_back(x + line.offset);
        lowest = std::min(lowest, line.low);
    }
    material_.resize(lines.size());
    for (auto& intervals : material_)
        intervals.clear();
    hits_.clear();
    packer.placed_boxes.queryUnordered({lineX_.front(), y0 + lowest, lineX_.back(), kLargest, 0}, hits_, stack_);
    for (const uint32_t placed : hits_)
        collectMaterial(packer.charts[placed]);
    for (auto& intervals : material_)
        std::sort(intervals.begin(), intervals.end());

    // The interval of a line's material that holds v strictly, if any.
    auto holding = [](const std::vector<std::pair<double, double>>& intervals,
                      double v) -> const std::pair<double, double>* {
        auto after = std::lower_bound(intervals.begin(), intervals.end(), std::pair{v, -kLargest});
        if (after == intervals.begin()) return nullptr;
        const auto& candidate = *(after - 1);
        return candidate.first < v && v < candidate.second ? &candidate : nullptr;
    };
    // Raises y until `offset` above it leaves the interval.
    auto leave = [](double y, double offset, double top) {
        double raised = top - offset;
        while (raised + offset < top)
            raised = std::nextafter(raised, kLargest);
        return std::max(raised, std::nextafter(y, kLargest));
    };
    double y = y0;
    for (bool raised = true; raised;) {
        raised = false;
        for (size_t k = 0; k < lines.size(); ++k) {
            for (;;) {
                if (const auto* inside = holding(material_[k], y + lines[k].low)) {
                    y = leave(y, lines[k].low, inside->second);
                } else if (const auto* over = holding(material_[k], y + lines[k].high)) {
                    y = leave(y, lines[k].high, over->second);
                } else {
                    break;
                }
                raised = true;
            }
        }
    }
    return y;
}

// The chart's material on every probe line it crosses, as intervals between its outline's
// crossing points, shrunk by the rounding allowance. A line that meets a steep edge of the
// chart is left without its material there, which only lowers the bound.
void RestingBound::collectMaterial(const PackChart& chart) {
    const double left = chart.position.x, right = chart.position.x + chart.size.x;
    crossings_.clear();
    for (const OutlineEdge& edge : chart.outline) {
        const double low = std::min(edge.start.x, edge.end.x), high = std::max(edge.start.x, edge.end.x);
        const bool isSteep = steep(edge);
        for (auto k = std::lower_bound(lineX_.begin(), lineX_.end(), low); k != lineX_.end() && *k < high; ++k)
            crossings_.push_back(
                {static_cast<uint32_t>(k - lineX_.begin()), isSteep, isSteep ? 0.0 : crossingY(edge, *k)});
    }
    std::sort(crossings_.begin(), crossings_.end(),
              [](const Crossing& a, const Crossing& b) { return a.line != b.line ? a.line < b.line : a.y < b.y; });
    for (size_t first = 0; first < crossings_.size();) {
        const uint32_t line = crossings_[first].line;
        size_t last = first;
        bool usable = lineX_[line] >= left && lineX_[line] <= right;
        for (; last < crossings_.size() && crossings_[last].line == line; ++last)
            usable = usable && !crossings_[last].steep;
        if (usable && (last - first) % 2 == 0) {
            for (size_t i = first; i + 1 < last; i += 2) {
                const double bottom = crossings_[i].y + kInside, top = crossings_[i + 1].y - kInside;
                if (bottom < top) material_[line].emplace_back(bottom, top);
            }
        }
        first = last;
    }
}

} // namespace OmbrixVectorPacker
