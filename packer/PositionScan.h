#pragma once

#include "PlacedMaterial.h"
#include "PlacementSearch.h"
#include "RestingBound.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace OmbrixVectorPacker {

// The positions that the search for one chart tries, in the order a single searcher takes
// them: orientation by orientation, and within one x = 0, step, 2 step, ... up to the
// layout's width plus one step. At every position the chart slides up; the best position is
// the fold of Better over the heights reached, in that order. The first position inside the
// layout ends the search, the first one on the floor ends its orientation.
//
// The scan finds the same best without sliding every position to its end. A lower bound for
// where each slide rests (from the placed material on vertical lines) is raised as the slide
// goes, and a slide goes on only while the bound leaves its position a chance:
// - First the ends are found: whether a position rests inside the layout or on the floor
//   depends on that position alone, so any number of workers share this part, each taking
//   the lowest untried position; positions past an end already found are skipped, those
//   before it always finished.
// - Then the fold. Positions that leave the layout's width as it is form one order under
//   Better (the layout's height, then y; late in the run the texture-shaped side, then the
//   area), which never falls as the height grows, so among them the fold keeps the earliest
//   with the least value: they are taken by their bounds, lowest first, until no bound left
//   can match the best. The others are folded in scan order.
class PositionScan {
public:
    // Prepares the scan of `chart` for positions up to `endX`, each slide starting at the
    // hint's height left of the hint and on the floor elsewhere, with the placed charts'
    // material. Without `passOver`, every position is slid to its end in scan order. Call
    // only while no worker runs.
    void reset(const PackChart& chart, const PlacedMaterial& material, double step, double endX, Point2 hint,
               bool passOver = true);

    // A worker's part of finding the ends.
    void findEnds(PlacementSearch& search);

    // The best position in scan order before refinement; invalid when the chart has no
    // orientation. Call after every worker finished its part.
    PlacementResult choose(PlacementSearch& search);

    uint32_t positionCount() const { return positionCount_; }

    // How many positions were slid to their end since the last reset.
    size_t triedCount() const { return tried_.load(std::memory_order_relaxed); }

private:
    // A position's slide as far as it went, and a lower bound for where it rests.
    struct Position {
        SlideState slide;
        double bound = 0.0;
        // Whether `bound` is the whole bound above the slide's height, not one taken only
        // until it sufficed.
        bool boundWhole = false;
    };
    static constexpr uint64_t kNoEnd = ~uint64_t{0};

    double positionX(uint32_t index) const { return static_cast<double>(index) * step_; }
    double startY(uint32_t index) const { return hint_.x > positionX(index) ? hint_.y : 0.0; }
    Position& at(uint32_t orientation, uint32_t index) {
        return positions_[size_t{orientation} * positionCount_ + index];
    }
    double lowest(uint32_t orientation, uint32_t index) {
        const Position& p = at(orientation, index);
        return p.slide.rested ? p.slide.y : std::max(p.bound, p.slide.y);
    }
    PlacementScore scoreAt(PlacementSearch& search, uint32_t orientation, uint32_t index, double y) const;
    PlacementResult resultAt(PlacementSearch& search, uint32_t orientation, uint32_t index);

    template <typename Excluded, typename Wanted>
    bool settle(PlacementSearch& search, uint32_t orientation, uint32_t index, Excluded excluded, Wanted wanted);
    void startAt(uint32_t orientation, uint32_t index);
    bool passedEnd(uint64_t number) const;
    void skipOrientation(uint32_t orientation);
    void collectEnds();
    PlacementResult foldAll(PlacementSearch& search);
    PlacementResult exhaustive(PlacementSearch& search);
    uint32_t foldInOrder(PlacementSearch& search, uint32_t orientation, uint32_t from, uint32_t to,
                         PlacementResult& best, bool untilBetter);
    void foldByBound(PlacementSearch& search, uint32_t orientation, uint32_t from, uint32_t to, PlacementResult& best);
    uint32_t widthKeepingEnd(PlacementSearch& search, uint32_t orientation) const;

    const PackChart* chart_ = nullptr;
    const PlacedMaterial* material_ = nullptr;
    double step_ = 0.0;
    Point2 hint_;
    bool passOver_ = true;
    uint32_t orientationCount_ = 0;
    uint32_t positionCount_ = 0;
    std::vector<Position> positions_;
    std::vector<std::vector<ProbeSpan>> spans_;
    std::vector<double> crossings_;

    // Shared by the workers while they find the ends: the next untried scan number, the
    // first position inside the layout, and per orientation the first one on the floor.
    std::atomic<uint64_t> next_{0};
    std::atomic<uint64_t> stop_{kNoEnd};
    std::unique_ptr<std::atomic<uint64_t>[]> floorHits_;
    uint32_t floorCapacity_ = 0;
    std::atomic<size_t> tried_{0};

    // Where each orientation's scan ends, for the fold; and the best so far's scan number.
    std::vector<uint32_t> ends_;
    uint64_t bestNumber_ = 0;
    std::vector<std::pair<double, uint32_t>> queue_;
};

} // namespace OmbrixVectorPacker
