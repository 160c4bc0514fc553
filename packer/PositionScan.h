#pragma once

#include "PlacementSearch.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace OmbrixVectorPacker {

// The positions that the search for one chart tries, numbered in the order a single
// searcher takes them: orientation by orientation, and within one x = 0, step, 2 step, ...
// up to the layout's width plus one step. Any number of workers share one scan: each takes
// the lowest untried number, slides the chart up there and records the height reached.
// The in-order search ends an orientation at its first position on the floor and the whole
// search at its first position inside the layout; positions beyond a hit already found are
// skipped or abandoned, those before it are always finished. So the positions that count,
// and the choice among them, do not depend on how many workers there are or how they race.
class PositionScan {
public:
    // `maxOrientations` bounds the orientation count of any chart of the run.
    explicit PositionScan(uint32_t maxOrientations);

    // Starts the scan of `chart` for positions up to `endX`, each slide starting at the hint's
    // height left of the hint and on the floor elsewhere. Call only while no worker runs.
    void reset(const PackChart& chart, double step, double endX, Point2 hint);

    // A worker's part: tries positions until none that counts is left.
    void work(PlacementSearch& search);

    // The best position in scan order (of two that neither beats, the earlier one), before
    // refinement; invalid when the chart has no orientation. Call after every worker finished.
    PlacementResult choose(const PlacementSearch& search) const;

    uint32_t positionCount() const { return positionCount_; }

    // How many positions were tried to the end since the last reset.
    size_t triedCount() const;

private:
    class Cutoff;
    static constexpr uint64_t kNoHit = ~uint64_t{0};

    double positionX(uint64_t index) const { return static_cast<double>(index) * step_; }
    void skipOrientation(uint32_t orientation);

    const PackChart* chart_ = nullptr;
    double step_ = 0.0;
    Point2 hint_;
    uint32_t orientationCount_ = 0;
    uint32_t positionCount_ = 0;
    // Height reached at every position tried, NaN where none was recorded.
    std::vector<double> heights_;
    std::atomic<uint64_t> next_{0};
    // The first position inside the layout, and per orientation the first one on the floor.
    std::atomic<uint64_t> stop_{kNoHit};
    std::unique_ptr<std::atomic<uint64_t>[]> floorHits_;
    uint32_t maxOrientations_;
};

} // namespace OmbrixVectorPacker
