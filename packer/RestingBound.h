#pragma once

#include "PackRecords.h"
#include "PlacedMaterial.h"

#include <cstdint>
#include <vector>

namespace OmbrixVectorPacker {

// A piece of a chart orientation's material on one of the placed material's lines: the
// line `offset` lines right of the orientation's box, between `low` and `high` above the
// box's bottom (shrunk by the margin).
struct ProbeSpan {
    uint32_t offset = 0;
    double low = 0.0;
    double high = 0.0;
};

// The orientation's material on lines `spacing` apart strictly inside its box, at most
// `limit` spans, spread over the width (the middle first, then the quarters, ...). `scale` is
// the largest coordinate the orientation will be moved to. A line through a steep or
// vertical edge, or crossing an odd number of edges, gives none. `crossings` is scratch.
void probeSpans(const ChartOrientation& orientation, double spacing, double scale, size_t limit,
                std::vector<ProbeSpan>& spans, std::vector<double>& crossings);

// Lower bounds for the height at which a chart's slide comes to rest. A resting chart's
// material does not overlap a placed chart's material by more than the rounding of the
// exact tests: their outlines would cross, or one would lie inside the other, and the slide
// moves on in every such case. So at the scan position `position` the slide cannot rest
// below the lowest y at which every probe span fits between the placed material of its
// line. This raises `y` towards that height and returns as soon as the height reached
// satisfies `enough`, or at that height.
template <typename Enough>
double raiseRestingBound(const PlacedMaterial& material, const std::vector<ProbeSpan>& spans, uint32_t position,
                         double y, Enough enough) {
    const size_t count = spans.size();
    // Round and round until a whole round since the last raise leaves y where it is.
    size_t unchanged = 0;
    for (size_t k = 0; unchanged < count; k = k + 1 == count ? 0 : k + 1) {
        const ProbeSpan& span = spans[k];
        const double raised = material.fit(PlacedMaterial::lineAt(position) + span.offset, span.low, span.high, y);
        if (raised > y) {
            y = raised;
            if (enough(y)) return y;
            unchanged = 1;
        } else {
            ++unchanged;
        }
    }
    return y;
}

// The whole lower bound, from `y0` up.
inline double restingBound(const PlacedMaterial& material, const std::vector<ProbeSpan>& spans, uint32_t position,
                           double y0) {
    return raiseRestingBound(material, spans, position, y0, [](double) { return false; });
}

} // namespace OmbrixVectorPacker
