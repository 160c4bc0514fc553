#pragma once

#include "PlacementSearch.h"
#include "RestingBound.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
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
//
// The scores are folded in scan order as the positions finish. A position whose earlier
// positions are all folded may be passed over without finishing its slide when, from a
// lower bound for its resting height, it can be neither on the floor nor inside the layout
// nor ever Better than the best so far: the fold then ends as it would have.
class PositionScan {
public:
    // `maxOrientations` bounds the orientation count of any chart of the run.
    explicit PositionScan(uint32_t maxOrientations);

    // Starts the scan of `chart` for positions up to `endX`, each slide starting at the hint's
    // height left of the hint and on the floor elsewhere; `passOver` allows passing over
    // positions that cannot win. Call only while no worker runs.
    void reset(const PackChart& chart, double step, double endX, Point2 hint, bool passOver = true);

    // A worker's part: tries positions until none that counts is left.
    void work(PlacementSearch& search);

    // The best position in scan order (of two that neither beats, the earlier one), before
    // refinement; invalid when the chart has no orientation. Call after every worker finished.
    PlacementResult choose() const { return best_; }

    uint32_t positionCount() const { return positionCount_; }

    // How many positions were slid to the end since the last reset.
    size_t triedCount() const;

private:
    class Cutoff;
    enum class Outcome : uint8_t { Open, Measured, PassedOver };
    static constexpr uint64_t kNoHit = ~uint64_t{0};

    double positionX(uint64_t index) const { return static_cast<double>(index) * step_; }
    void skipOrientation(uint32_t orientation);
    bool cannotWin(PlacementSearch& search, uint64_t number, double x, double y0);
    void finish(PlacementSearch& search, uint64_t number, Outcome outcome);

    const PackChart* chart_ = nullptr;
    double step_ = 0.0;
    Point2 hint_;
    bool passOver_ = true;
    uint32_t orientationCount_ = 0;
    uint32_t positionCount_ = 0;
    std::vector<std::vector<ProbeLine>> probes_;
    // Height reached at every position slid to the end, and what became of each.
    std::vector<double> heights_;
    std::vector<Outcome> outcomes_;
    std::atomic<uint64_t> next_{0};
    // The first position inside the layout, and per orientation the first one on the floor.
    std::atomic<uint64_t> stop_{kNoHit};
    std::unique_ptr<std::atomic<uint64_t>[]> floorHits_;
    uint32_t maxOrientations_;
    // Every position before the frontier is folded into the best; the best changes only
    // when the frontier moves, under the mutex.
    std::mutex foldMutex_;
    std::atomic<uint64_t> frontier_{0};
    PlacementResult best_;
};

} // namespace OmbrixVectorPacker
