#pragma once

#include "PackRecords.h"

namespace OmbrixVectorPacker {

// What the layout stage does to a packed layout after packing: it stretches it to the
// texture's aspect, scales its UVs' box so that the larger side fills the unit square, and
// shrinks it by the padding around the square's border. The packer uses this to keep the
// padding between charts in texels of the texture asked for.
struct TextureFit {
    // Texture width divided by height.
    double aspect = 1.0;
    // Padding as a fraction of the texture's larger side.
    double padding = 0.0;

    // The factor of the border shrink; not above 0 when the padding leaves no room.
    double shrink() const;

    // The padding the charts must be grown by at least: the padding itself, but never less
    // than the rounding of the fitted UVs to single precision can take away.
    double least() const;

    // The distance in the layout's units that becomes the padding in texels (or the least
    // padding) once a layout whose UVs span `span` is fitted.
    double gapFor(Point2 span) const;
};

} // namespace OmbrixVectorPacker
