#pragma once

#include "PlacedMaterial.h"
#include "PlacementSearch.h"
#include "PositionScan.h"
#include "WorkerPool.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace OmbrixVectorPacker {

// Finds where each chart of a run goes: the calling thread and the worker threads, with one
// searcher each, share the first part of the chart's scan; the calling thread then takes the
// best in scan order and refines it. The answer depends only on the packer's state and the
// hint, never on the number of workers or which of them took part. The workers are joined
// when the finder is destroyed.
class PlacementFinder {
public:
    // `passOver` lets the scan pass over positions that cannot win (the answer is the same
    // without; tests compare the two).
    PlacementFinder(const VectorPacker& packer, size_t scratchHint, unsigned threadCount, bool passOver = true);

    // The refined best position of the chart in the layout as it stands; invalid when the
    // chart has no outline.
    PlacementResult find(uint32_t chart, Point2 hint);

    // How many positions the last `find` slid to their end.
    size_t positionsTried() const { return scan_.triedCount(); }

private:
    void addPlacedMaterial();

    const VectorPacker& packer_;
    bool passOver_;
    std::vector<PlacementSearch> searches_;
    PositionScan scan_;
    // The placed charts' material, and which charts it holds.
    PlacedMaterial material_;
    std::vector<uint8_t> inMaterial_;
    uint64_t materialCount_ = 0;
    uint32_t lastFound_ = 0;
    std::function<void(unsigned)> job_;
    WorkerPool workers_;
};

} // namespace OmbrixVectorPacker
