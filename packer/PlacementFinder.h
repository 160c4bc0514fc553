#pragma once

#include "PlacementSearch.h"
#include "PositionScan.h"
#include "WorkerPool.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace OmbrixVectorPacker {

// Finds where each chart of a run goes: the calling thread and the worker threads, with one
// searcher each, share the scan of the chart's positions; the calling thread then takes the
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

    // How many positions the last `find` tried to the end.
    size_t positionsTried() const { return scan_.triedCount(); }

private:
    const VectorPacker& packer_;
    bool passOver_;
    std::vector<PlacementSearch> searches_;
    PlacementSearch refiner_;
    PositionScan scan_;
    std::function<void(unsigned)> job_;
    WorkerPool workers_;
};

} // namespace OmbrixVectorPacker
