#include "PlacedMaterial.h"

#include "Geometry.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// The first line at or right of `x`, and the first line strictly right of it.
uint32_t firstLineFrom(double x, double step) {
    if (!(x > 0.0)) return 0;
    double line = std::floor(x / step);
    while (line > 0.0 && (line - 1.0) * step >= x)
        line -= 1.0;
    while (line * step < x)
        line += 1.0;
    return static_cast<uint32_t>(line);
}

uint32_t firstLineAfter(double x, double step) {
    uint32_t line = firstLineFrom(x, step);
    while (static_cast<double>(line) * step <= x)
        ++line;
    return line;
}

// The first of the sorted intervals whose top lies above `value` (their count when none
// does). The scan asks mostly near the top of the layout, so the search gallops down from
// the last one.
template <typename Interval>
size_t firstTopAbove(const std::vector<Interval>& intervals, double value) {
    auto topAbove = [](double v, const Interval& interval) { return v < interval.top; };
    size_t end = intervals.size();
    for (size_t stride = 1; end > 0; stride *= 2) {
        const size_t probe = end > stride ? end - stride : 0;
        if (!(intervals[probe].top > value)) {
            const auto from = intervals.begin() + static_cast<std::ptrdiff_t>(probe + 1);
            const auto to = intervals.begin() + static_cast<std::ptrdiff_t>(end);
            return static_cast<size_t>(std::upper_bound(from, to, value, topAbove) - intervals.begin());
        }
        end = probe;
    }
    return 0;
}

} // namespace

void PlacedMaterial::reset(double step) {
    assert(step > 0.0);
    spacing_ = step / kLinesPerStep;
    lines_.clear();
}

void PlacedMaterial::add(const PackChart& chart) {
    if (chart.outline.empty()) return;
    const double left = chart.position.x, right = chart.position.x + chart.size.x;
    const uint32_t firstLine = firstLineFrom(left, spacing_);
    const uint32_t endLine = firstLineAfter(right, spacing_);
    if (endLine <= firstLine) return;
    if (lines_.size() < endLine) lines_.resize(endLine);
    collectCrossings(chart, firstLine, endLine);
    for (size_t first = 0; first < crossings_.size();) {
        const uint32_t line = crossings_[first].line;
        size_t last = first;
        while (last < crossings_.size() && crossings_[last].line == line)
            ++last;
        if ((last - first) % 2 == 0) {
            for (size_t i = first; i < last; i += 2) {
                const double bottom = crossings_[i].y + kInsideMargin, top = crossings_[i + 1].y - kInsideMargin;
                if (bottom < top) lines_[line].insert(bottom, top);
            }
        }
        first = last;
    }
    for (uint32_t line = firstLine; line < endLine; ++line)
        lines_[line].linkGaps();
}

// Every edge crosses the lines in its x range, the range closed on the left and open on
// the right. The crossings come from the outline where the exact tests find it, so even a
// steep edge gives them exactly.
void PlacedMaterial::collectCrossings(const PackChart& chart, uint32_t firstLine, uint32_t endLine) {
    crossings_.clear();
    for (const OutlineEdge& edge : chart.outline) {
        const double low = std::min(edge.start.x, edge.end.x), high = std::max(edge.start.x, edge.end.x);
        for (uint32_t line = std::max(firstLine, firstLineFrom(low, spacing_)); line < endLine && lineX(line) < high;
             ++line) {
            const double x = lineX(line);
            crossings_.push_back({line, yAtX(edge.start, edge.end, x)});
        }
    }
    std::sort(crossings_.begin(), crossings_.end(),
              [](const Crossing& a, const Crossing& b) { return a.line != b.line ? a.line < b.line : a.y < b.y; });
}

// Adds an interval, merged with those it meets.
void PlacedMaterial::Line::insert(double bottom, double top) {
    const auto first = std::lower_bound(intervals.begin(), intervals.end(), bottom,
                                        [](const Interval& interval, double value) { return interval.top < value; });
    auto last = first;
    while (last != intervals.end() && last->bottom <= top)
        ++last;
    if (last != first) {
        bottom = std::min(bottom, first->bottom);
        top = std::max(top, (last - 1)->top);
    }
    intervals.insert(intervals.erase(first, last), Interval{bottom, top, 0.0, 0});
}

void PlacedMaterial::Line::linkGaps() {
    const size_t count = intervals.size();
    for (size_t i = 0; i < count; ++i)
        intervals[i].gapAbove = i + 1 < count ? intervals[i + 1].bottom - intervals[i].top : kLargest;
    // Walking down, the chain from the interval above passes over the gaps no longer than
    // this one.
    for (size_t i = count; i-- > 0;) {
        uint32_t next = i + 1 < count ? static_cast<uint32_t>(i + 1) : kNone;
        while (next != kNone && intervals[next].gapAbove <= intervals[i].gapAbove)
            next = intervals[next].nextLonger;
        intervals[i].nextLonger = next;
    }
    highestBottom = count > 0 ? intervals[count - 1].bottom : kLargest;
    highestTop = count > 0 ? intervals[count - 1].top : -kLargest;
    belowHighestTop = count > 1 ? intervals[count - 2].top : -kLargest;
}

double PlacedMaterial::fit(uint32_t line, double low, double high, double y) const {
    assert(low < high);
    if (line >= lines_.size()) return y;
    const Line& material = lines_[line];
    if (y + low >= material.highestTop) return y;
    // Only the highest interval reaches above the span's bottom: the gap above it is endless.
    if (y + low >= material.belowHighestTop)
        return y + high <= material.highestBottom ? y : std::max(y, material.highestTop - low);
    const std::vector<Interval>& intervals = material.intervals;
    // The first interval that reaches above the span's bottom.
    uint32_t k = static_cast<uint32_t>(firstTopAbove(intervals, y + low));
    if (k == intervals.size() || y + high <= intervals[k].bottom) return y;
    const double span = high - low;
    while (intervals[k].gapAbove < span)
        k = intervals[k].nextLonger;
    return std::max(y, intervals[k].top - low);
}

} // namespace OmbrixVectorPacker
