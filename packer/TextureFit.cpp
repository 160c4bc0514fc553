#include "TextureFit.h"

#include <algorithm>

namespace OmbrixVectorPacker {

namespace {

// A few steps of single precision in the unit square, more than the fitting's handful of
// single-precision operations and the final rounding move two points towards each other.
constexpr double kRounding = 1.0 / (1 << 19);

} // namespace

double TextureFit::shrink() const {
    return 1.0 - std::max(aspect, 1.0 / aspect) * padding;
}

// A layout unit becomes shrink / S of the unit square, S being the larger side of the box
// after the stretch to the aspect; the larger texture side spans the square, so a gap of
// padding texels is padding * S / shrink units, whichever side is longer.
double TextureFit::least() const {
    return std::max(padding, kRounding);
}

double TextureFit::gapFor(Point2 span) const {
    const double stretchedSide = std::max(span.x * std::max(1.0 / aspect, 1.0), span.y * std::max(aspect, 1.0));
    return least() * stretchedSide / shrink();
}

} // namespace OmbrixVectorPacker
