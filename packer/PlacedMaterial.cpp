#include "PlacedMaterial.h"

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
            crossings_.push_back(
                {line, edge.start.y + (x - edge.start.x) / (edge.end.x - edge.start.x) * (edge.end.y - edge.start.y)});
        }
    }
    std::sort(crossings_.begin(), crossings_.end(),
              [](const Crossing& a, const Crossing& b) { return a.line != b.line ? a.line < b.line : a.y < b.y; });
}

// Adds an interval, merged with those it meets.
void PlacedMaterial::Line::insert(double bottom, double top) {
    auto first = std::lower_bound(tops.begin(), tops.end(), bottom);
    const size_t from = static_cast<size_t>(first - tops.begin());
    size_t to = from;
    while (to < bottoms.size() && bottoms[to] <= top)
        ++to;
    if (to > from) {
        bottom = std::min(bottom, bottoms[from]);
        top = std::max(top, tops[to - 1]);
        bottoms.erase(bottoms.begin() + static_cast<std::ptrdiff_t>(from),
                      bottoms.begin() + static_cast<std::ptrdiff_t>(to));
        tops.erase(tops.begin() + static_cast<std::ptrdiff_t>(from), tops.begin() + static_cast<std::ptrdiff_t>(to));
    }
    bottoms.insert(bottoms.begin() + static_cast<std::ptrdiff_t>(from), bottom);
    tops.insert(tops.begin() + static_cast<std::ptrdiff_t>(from), top);
}

void PlacedMaterial::Line::linkGaps() {
    const size_t count = tops.size();
    gapAbove.resize(count);
    nextLonger.resize(count);
    for (size_t i = 0; i < count; ++i)
        gapAbove[i] = i + 1 < count ? bottoms[i + 1] - tops[i] : kLargest;
    // Walking down, the chain from the interval above passes over the gaps no longer than
    // this one.
    for (size_t i = count; i-- > 0;) {
        uint32_t next = i + 1 < count ? static_cast<uint32_t>(i + 1) : kNone;
        while (next != kNone && gapAbove[next] <= gapAbove[i])
            next = nextLonger[next];
        nextLonger[i] = next;
    }
}

double PlacedMaterial::fit(uint32_t line, double low, double high, double y) const {
    assert(low < high);
    if (line >= lines_.size()) return y;
    const Line& material = lines_[line];
    // The first interval that reaches above the span's bottom.
    const auto above = std::upper_bound(material.tops.begin(), material.tops.end(), y + low);
    if (above == material.tops.end()) return y;
    uint32_t k = static_cast<uint32_t>(above - material.tops.begin());
    if (y + high <= material.bottoms[k]) return y;
    const double span = high - low;
    while (material.gapAbove[k] < span)
        k = material.nextLonger[k];
    return std::max(y, material.tops[k] - low);
}

} // namespace OmbrixVectorPacker
