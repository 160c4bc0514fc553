#include "RestingBound.h"

#include "Geometry.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

// Whether an edge is too steep for its y on a vertical line to be trusted when the line's x
// is off by a rounding step, as it is for a chart moved to a scan position: the slope times
// a few units in the last place of the largest coordinate must stay well inside the margin.
bool tooSteep(Point2 start, Point2 end, double scale) {
    const double rounding = 16.0 * DBL_EPSILON * std::max(scale, 1.0);
    return std::abs(end.y - start.y) * rounding > 0.25 * kInsideMargin * std::abs(end.x - start.x);
}

} // namespace

void probeSpans(const ChartOrientation& orientation, double spacing, double scale, size_t limit,
                std::vector<ProbeSpan>& spans, std::vector<double>& crossings) {
    spans.clear();
    uint32_t lines = 0;
    while (static_cast<double>(lines + 1) * spacing < orientation.size.x)
        ++lines;
    // Lines 1 to `lines` in the order that halves the gaps between those taken, from the
    // middle one: the first few spans already cover the whole width.
    const uint32_t bits = static_cast<uint32_t>(std::bit_width(lines));
    const uint32_t period = 1u << bits;
    for (uint32_t k = 0; k < period && spans.size() < limit; ++k) {
        uint32_t reversed = 0;
        for (uint32_t b = 0; b < bits; ++b)
            if ((k >> b) & 1u) reversed |= 1u << (bits - 1 - b);
        const uint32_t offset = (reversed + period / 2) % period + 1;
        if (offset > lines) continue;
        const double x = static_cast<double>(offset) * spacing;
        crossings.clear();
        bool usable = true;
        for (const OutlineEdge& edge : orientation.edges) {
            const double low = std::min(edge.start.x, edge.end.x), high = std::max(edge.start.x, edge.end.x);
            if (x < low || x > high) continue;
            if (tooSteep(edge.start, edge.end, scale)) {
                usable = false;
                break;
            }
            if (x < high) crossings.push_back(yAtX(edge.start, edge.end, x));
        }
        if (!usable || crossings.size() % 2 != 0) continue;
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size() && spans.size() < limit; i += 2) {
            const double low = crossings[i] + kInsideMargin, high = crossings[i + 1] - kInsideMargin;
            if (low < high) spans.push_back({offset, low, high});
        }
    }
}

} // namespace OmbrixVectorPacker
