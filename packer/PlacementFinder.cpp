#include "PlacementFinder.h"

#include <algorithm>

namespace OmbrixVectorPacker {

namespace {

uint32_t largestOrientationCount(const VectorPacker& packer) {
    size_t count = 1;
    for (const PackChart& chart : packer.charts)
        count = std::max(count, chart.orientations.size());
    return static_cast<uint32_t>(count);
}

std::vector<PlacementSearch> makeSearches(const VectorPacker& packer, size_t scratchHint, unsigned count) {
    std::vector<PlacementSearch> searches;
    searches.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        searches.emplace_back(packer, scratchHint);
    return searches;
}

} // namespace

PlacementFinder::PlacementFinder(const VectorPacker& packer, size_t scratchHint, unsigned threadCount, bool passOver)
    : packer_(packer), passOver_(passOver), searches_(makeSearches(packer, scratchHint, threadCount)),
      refiner_(packer, scratchHint), scan_(largestOrientationCount(packer)),
      job_([this](unsigned worker) { scan_.work(searches_[worker]); }), workers_(threadCount) {}

PlacementResult PlacementFinder::find(uint32_t chart, Point2 hint) {
    const PackChart& record = packer_.charts[chart];
    if (record.outline.empty()) return {};
    scan_.reset(record, packer_.step, packer_.extent_x + packer_.step, hint, passOver_);
    workers_.run(job_);
    const PlacementResult found = scan_.choose();
    return found.score.valid ? refiner_.refine(record, found) : found;
}

} // namespace OmbrixVectorPacker
