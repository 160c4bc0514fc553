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

// A slide at one position is no longer needed once a hit before it is known.
class PositionScan::Cutoff final : public SlideCutoff {
public:
    Cutoff(const PositionScan& scan, uint64_t number, uint32_t orientation, uint64_t index)
        : scan_(scan), number_(number), orientation_(orientation), index_(index) {}

    bool reached() const override {
        return number_ > scan_.stop_.load(std::memory_order_relaxed) ||
               index_ > scan_.floorHits_[orientation_].load(std::memory_order_relaxed);
    }

private:
    const PositionScan& scan_;
    uint64_t number_;
    uint32_t orientation_;
    uint64_t index_;
};

PositionScan::PositionScan(uint32_t maxOrientations)
    : floorHits_(std::make_unique<std::atomic<uint64_t>[]>(maxOrientations)), maxOrientations_(maxOrientations) {}

void PositionScan::reset(const PackChart& chart, double step, double endX, Point2 hint) {
    assert(chart.orientations.size() <= maxOrientations_ && step > 0.0);
    chart_ = &chart;
    step_ = step;
    hint_ = hint;
    orientationCount_ = static_cast<uint32_t>(chart.orientations.size());
    // Every x = index * step up to endX, computed the same way for every worker count.
    uint64_t count = endX >= 0.0 ? static_cast<uint64_t>(std::floor(endX / step)) + 1 : 0;
    while (positionX(count) <= endX)
        ++count;
    while (count > 0 && positionX(count - 1) > endX)
        --count;
    positionCount_ = static_cast<uint32_t>(count);
    heights_.assign(size_t{orientationCount_} * positionCount_, std::numeric_limits<double>::quiet_NaN());
    next_.store(0, std::memory_order_relaxed);
    stop_.store(kNoHit, std::memory_order_relaxed);
    for (uint32_t o = 0; o < orientationCount_; ++o)
        floorHits_[o].store(kNoHit, std::memory_order_relaxed);
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
        const Cutoff cutoff(*this, number, o, index);
        const double y = search.slideUp(orientation, x, hint_.x > x ? hint_.y : 0.0, &cutoff);
        if (std::isnan(y)) continue;
        heights_[number] = y;
        if (search.withinLayout(search.score(orientation, {x, y}))) {
            lowerTo(stop_, number);
        } else if (y == 0.0) {
            lowerTo(floorHits_[o], index);
            skipOrientation(o);
        }
    }
}

size_t PositionScan::triedCount() const {
    return static_cast<size_t>(
        std::count_if(heights_.begin(), heights_.end(), [](double height) { return !std::isnan(height); }));
}

PlacementResult PositionScan::choose(const PlacementSearch& search) const {
    PlacementResult best;
    const uint64_t stop = stop_.load(std::memory_order_relaxed);
    for (uint32_t o = 0; o < orientationCount_; ++o) {
        const uint64_t floorHit = floorHits_[o].load(std::memory_order_relaxed);
        const ChartOrientation& orientation = chart_->orientations[o];
        for (uint64_t index = 0; index < positionCount_; ++index) {
            const uint64_t number = uint64_t{o} * positionCount_ + index;
            const double x = positionX(index);
            const double y = heights_[number];
            assert(!std::isnan(y));
            const PlacementScore candidate = search.score(orientation, {x, y});
            if (!best.score.valid || better(candidate, best.score)) best = {x, y, o, candidate};
            if (number == stop) return best;
            if (index == floorHit) break;
        }
    }
    return best;
}

} // namespace OmbrixVectorPacker
