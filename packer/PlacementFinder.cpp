#include "PlacementFinder.h"

namespace OmbrixVectorPacker {

namespace {

std::vector<PlacementSearch> makeSearches(const VectorPacker& packer, size_t scratchHint, unsigned count) {
    std::vector<PlacementSearch> searches;
    searches.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        searches.emplace_back(packer, scratchHint);
    return searches;
}

} // namespace

PlacementFinder::PlacementFinder(const VectorPacker& packer, size_t scratchHint, unsigned threadCount, bool passOver)
    : packer_(packer), passOver_(passOver), searches_(makeSearches(packer, scratchHint, std::max(1u, threadCount))),
      inMaterial_(packer.charts.size(), 0), job_([this](unsigned worker) { scan_.findEnds(searches_[worker]); }),
      workers_(std::max(1u, threadCount)) {
    material_.reset(packer.step);
}

// Charts are placed one at a time, normally the one found last.
void PlacementFinder::addPlacedMaterial() {
    auto add = [this](uint32_t chart) {
        if (!packer_.charts[chart].placed || inMaterial_[chart]) return;
        material_.add(packer_.charts[chart]);
        inMaterial_[chart] = 1;
        ++materialCount_;
    };
    if (lastFound_ < packer_.charts.size()) add(lastFound_);
    for (uint32_t chart = 0; materialCount_ < packer_.stats.placed_count && chart < packer_.charts.size(); ++chart)
        add(chart);
}

PlacementResult PlacementFinder::find(uint32_t chart, Point2 hint) {
    addPlacedMaterial();
    lastFound_ = chart;
    const PackChart& record = packer_.charts[chart];
    if (record.outline.empty()) return {};
    scan_.reset(record, material_, packer_.step, packer_.extent_x + packer_.step, hint, passOver_);
    if (passOver_) workers_.run(job_);
    PlacementSearch& caller = searches_.back();
    const PlacementResult found = scan_.choose(caller);
    return found.score.valid ? caller.refine(record, found) : found;
}

} // namespace OmbrixVectorPacker
