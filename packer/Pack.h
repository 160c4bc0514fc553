#pragma once

#include "PackRecords.h"
#include "PackSettings.h"

#include <cstdint>
#include <span>
#include <vector>

namespace OmbrixVectorPacker {

// Number of worker threads for a machine that reports `processors` processors: that
// number, or 32 when it reports fewer than one.
unsigned packThreadCount(unsigned processors);

// Packs the charts of a UV layout without overlap: every group of triangles joined by the
// adjacency is one rigid chart, grown by the padding and turned by one of the settings'
// angles, placed side by side from the origin; the whole layout is then scaled so that
// its larger side equals the square root of the charts' total UV area, and `uvs` is
// overwritten. `triangles` holds three UV numbers per triangle, `adjacency` three
// neighbouring triangles (0xFFFFFFFF for none). Locked triangles are not supported; the
// list is accepted and ignored. A UV that triangles of two charts share can follow only
// one of them (the chart of the last such triangle), so callers give every chart UVs of its
// own.
//
// The padding holds in texels of the texture the settings describe after the layout stage
// has fitted the layout to it (stretched to the aspect, scaled to the unit square, shrunk
// by the border padding): when that fitting would bring charts closer, they are packed again
// with more padding. Between several charts a gap of at least what single-precision UVs can
// keep apart is always left, also at padding 0.
//
// Any finite UVs are taken: they are normalised (a power of two, a move to the origin, a
// factor for area 1) before any tolerance applies, so a layout packs alike at any scale.
//
// Throws PackInputError (a std::invalid_argument) for a UV number or neighbour out of range,
// a used UV that is not finite, triangles that all have zero area, a layout whose packed
// size would leave the range of doubles, or an aspect or padding that is not a usable
// number; and PackSpaceError when the padding cannot be kept in the texture. The UVs are
// then left as they were. Allocation failures pass through. Worker threads are joined before the call
// returns or throws.
void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, std::span<const uint32_t> lockedTriangles);

// The same with an explicit number of worker threads.
void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount);

} // namespace OmbrixVectorPacker
