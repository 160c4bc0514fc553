#include "PositionScan.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace OmbrixVectorPacker {

namespace {

// Lowers `value` to `candidate` unless it is already lower.
void lowerTo(std::atomic<uint64_t>& value, uint64_t candidate) {
    uint64_t current = value.load(std::memory_order_relaxed);
    while (candidate < current && !value.compare_exchange_weak(current, candidate, std::memory_order_relaxed)) {
    }
}

// Raises `value` to `candidate` unless it is already higher.
void raiseTo(std::atomic<uint64_t>& value, uint64_t candidate) {
    uint64_t current = value.load(std::memory_order_relaxed);
    while (candidate > current && !value.compare_exchange_weak(current, candidate, std::memory_order_relaxed)) {
    }
}

} // namespace

// A slide at one position is no longer needed once a hit before it is known, or once it is
// found unable to win (checked when all positions before it are folded).
class PositionScan::Cutoff final : public SlideCutoff {
public:
    Cutoff(PositionScan& scan, PlacementSearch& search, uint64_t number, uint32_t orientation, uint64_t index, double x,
           double y0)
        : scan_(scan), search_(search), number_(number), orientation_(orientation), index_(index), x_(x), y0_(y0) {}

    bool reached() const override {
        if (number_ > scan_.stop_.load(std::memory_order_relaxed) ||
            index_ > scan_.floorHits_[orientation_].load(std::memory_order_relaxed))
            return true;
        if (checked_ || !scan_.passOver_ || scan_.frontier_.load(std::memory_order_acquire) != number_) return false;
        checked_ = true;
        passedOver_ = scan_.cannotWin(search_, number_, x_, y0_);
        return passedOver_;
    }

    bool passedOver() const { return passedOver_; }

private:
    PositionScan& scan_;
    PlacementSearch& search_;
    uint64_t number_;
    uint32_t orientation_;
    uint64_t index_;
    double x_;
    double y0_;
    mutable bool checked_ = false;
    mutable bool passedOver_ = false;
};

PositionScan::PositionScan(uint32_t maxOrientations)
    : floorHits_(std::make_unique<std::atomic<uint64_t>[]>(maxOrientations)), maxOrientations_(maxOrientations) {}

void PositionScan::reset(const PackChart& chart, double step, double endX, Point2 hint, bool passOver) {
    assert(chart.orientations.size() <= maxOrientations_ && step > 0.0);
    chart_ = &chart;
    step_ = step;
    hint_ = hint;
    passOver_ = passOver;
    orientationCount_ = static_cast<uint32_t>(chart.orientations.size());
    // Every x = index * step up to endX, computed the same way for every worker count.
    uint64_t count = endX >= 0.0 ? static_cast<uint64_t>(std::floor(endX / step)) + 1 : 0;
    while (positionX(count) <= endX)
        ++count;
    while (count > 0 && positionX(count - 1) > endX)
        --count;
    positionCount_ = static_cast<uint32_t>(count);
    probes_.resize(orientationCount_);
    for (uint32_t o = 0; o < orientationCount_; ++o)
        probeLines(chart.orientations[o], probes_[o]);
    heights_.assign(size_t{orientationCount_} * positionCount_, std::numeric_limits<double>::quiet_NaN());
    outcomes_.assign(heights_.size(), Outcome::Open);
    next_.store(0, std::memory_order_relaxed);
    stop_.store(kNoHit, std::memory_order_relaxed);
    for (uint32_t o = 0; o < orientationCount_; ++o)
        floorHits_[o].store(kNoHit, std::memory_order_relaxed);
    frontier_.store(0, std::memory_order_relaxed);
    best_ = {};
}

void PositionScan::skipOrientation(uint32_t orientation) {
    raiseTo(next_, uint64_t{orientation + 1} * positionCount_);
}

void PositionScan::work(PlacementSearch& search) {
    const uint64_t total = heights_.size();
    for (;;) {
        const uint64_t number = next_.fetch_add(1, std::memory_order_relaxed);
        if (number >= total || number > stop_.load(std::memory_order_relaxed)) return;
        const uint32_t o = static_cast<uint32_t>(number / positionCount_);
        const uint64_t index = number % positionCount_;
        if (index > floorHits_[o].load(std::memory_order_relaxed)) {
            skipOrientation(o);
            continue;
        }
        const ChartOrientation& orientation = chart_->orientations[o];
        const double x = positionX(index);
        const double y0 = hint_.x > x ? hint_.y : 0.0;
        Cutoff cutoff(*this, search, number, o, index, x, y0);
        const double y = search.slideUp(orientation, x, y0, &cutoff);
        if (std::isnan(y)) {
            if (cutoff.passedOver()) finish(search, number, Outcome::PassedOver);
            continue;
        }
        heights_[number] = y;
        if (search.withinLayout(search.score(orientation, {x, y}))) {
            lowerTo(stop_, number);
        } else if (y == 0.0) {
            lowerTo(floorHits_[o], index);
            skipOrientation(o);
        }
        finish(search, number, Outcome::Measured);
    }
}

// With every earlier position folded, the best so far stays as it is until this one is:
// the position cannot win if, resting no lower than the bound, it can be neither on the
// floor nor inside the layout nor Better than that best.
bool PositionScan::cannotWin(PlacementSearch& search, uint64_t number, double x, double y0) {
    if (!best_.score.valid) return false;
    const uint32_t o = static_cast<uint32_t>(number / positionCount_);
    const double lowest = search.restingBound(probes_[o], x, y0);
    if (!(lowest > 0.0 || y0 > 0.0)) return false;
    const PlacementScore score = search.score(chart_->orientations[o], {x, lowest});
    return !search.withinLayout(score) && neverBetter(score, best_.score);
}

// Records the outcome and folds every finished position at the frontier in scan order,
// ending an orientation at its first floor position and the scan at its first position
// inside the layout.
void PositionScan::finish(PlacementSearch& search, uint64_t number, Outcome outcome) {
    std::lock_guard lock(foldMutex_);
    outcomes_[number] = outcome;
    const uint64_t total = heights_.size();
    uint64_t frontier = frontier_.load(std::memory_order_relaxed);
    while (frontier < total && outcomes_[frontier] != Outcome::Open) {
        const uint64_t current = frontier++;
        if (outcomes_[current] == Outcome::PassedOver) continue;
        const uint32_t o = static_cast<uint32_t>(current / positionCount_);
        const double x = positionX(current % positionCount_), y = heights_[current];
        const PlacementScore candidate = search.score(chart_->orientations[o], {x, y});
        if (!best_.score.valid || better(candidate, best_.score)) best_ = {x, y, o, candidate};
        if (search.withinLayout(candidate))
            frontier = total;
        else if (y == 0.0)
            frontier = uint64_t{o + 1} * positionCount_;
    }
    frontier_.store(frontier, std::memory_order_release);
}

size_t PositionScan::triedCount() const {
    return static_cast<size_t>(std::count(outcomes_.begin(), outcomes_.end(), Outcome::Measured));
}

} // namespace OmbrixVectorPacker
