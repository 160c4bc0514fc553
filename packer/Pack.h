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
// own. Throws std::invalid_argument for a UV number or neighbour
// out of range; allocation failures pass through. Worker threads are joined before the
// call returns or throws.
void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, std::span<const uint32_t> lockedTriangles);

// The same with an explicit number of worker threads.
void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount);

} // namespace OmbrixVectorPacker
