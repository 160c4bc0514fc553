#include "PositionScan.h"

#include <cassert>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

// More probe spans tighten the bound; each costs a lookup wherever the bound is taken whole.
constexpr size_t kSpanLimit = 32;

// Positions a worker takes at once while finding the ends.
constexpr uint64_t kTakenTogether = 16;

// The queue of positions by bound is a min-heap on (bound, position).
bool laterInQueue(const std::pair<double, uint32_t>& a, const std::pair<double, uint32_t>& b) {
    return a > b;
}

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

void PositionScan::reset(const PackChart& chart, const PlacedMaterial& material, double step, double endX, Point2 hint,
                         bool passOver) {
    assert(step > 0.0);
    chart_ = &chart;
    material_ = &material;
    step_ = step;
    hint_ = hint;
    passOver_ = passOver;
    orientationCount_ = static_cast<uint32_t>(chart.orientations.size());
    // Every x = index * step up to endX.
    uint32_t count = endX >= 0.0 ? static_cast<uint32_t>(std::floor(endX / step)) + 1 : 0;
    while (positionX(count) <= endX)
        ++count;
    while (count > 0 && positionX(count - 1) > endX)
        --count;
    positionCount_ = count;
    // Each position is set up by the worker that takes it first.
    positions_.resize(size_t{orientationCount_} * positionCount_);
    spans_.resize(orientationCount_);
    for (uint32_t o = 0; o < orientationCount_ && passOver; ++o) {
        const ChartOrientation& orientation = chart.orientations[o];
        const double scale = std::max(1.0, endX + step + orientation.size.x);
        probeSpans(orientation, material.spacing(), scale, kSpanLimit, spans_[o], crossings_);
    }
    if (floorCapacity_ < orientationCount_) {
        floorHits_ = std::make_unique<std::atomic<uint64_t>[]>(orientationCount_);
        floorCapacity_ = orientationCount_;
    }
    for (uint32_t o = 0; o < orientationCount_; ++o)
        floorHits_[o].store(kNoEnd, std::memory_order_relaxed);
    next_.store(passOver ? 0 : kNoEnd, std::memory_order_relaxed);
    stop_.store(kNoEnd, std::memory_order_relaxed);
    tried_.store(0, std::memory_order_relaxed);
}

PlacementScore PositionScan::scoreAt(PlacementSearch& search, uint32_t orientation, uint32_t index, double y) const {
    return search.score(chart_->orientations[orientation], {positionX(index), y});
}

PlacementResult PositionScan::resultAt(PlacementSearch& search, uint32_t orientation, uint32_t index) {
    const Position& p = at(orientation, index);
    assert(p.slide.rested);
    return {positionX(index), p.slide.y, orientation, scoreAt(search, orientation, index, p.slide.y)};
}

// Takes the position's slide on while `excluded` does not hold for a lower bound of where
// it rests and the position is still `wanted`: true once it rests, false otherwise. The
// slide only runs through heights below which the bound leaves no room, so it goes no
// further than needed, and it goes on from there when asked again.
template <typename Excluded, typename Wanted>
bool PositionScan::settle(PlacementSearch& search, uint32_t orientation, uint32_t index, Excluded excluded,
                          Wanted wanted) {
    Position& p = at(orientation, index);
    for (;;) {
        if (p.slide.rested) return true;
        if (!p.boundWhole || p.bound < p.slide.y) {
            p.bound = raiseRestingBound(*material_, spans_[orientation], index, std::max(p.bound, p.slide.y), excluded);
            p.boundWhole = !excluded(p.bound);
        }
        if (excluded(p.bound) || !wanted()) return false;
        search.continueSlide(chart_->orientations[orientation], positionX(index), p.slide, p.bound);
        if (p.slide.rested) tried_.fetch_add(1, std::memory_order_relaxed);
    }
}

void PositionScan::startAt(uint32_t orientation, uint32_t index) {
    Position& p = at(orientation, index);
    p = Position{};
    p.slide.y = startY(index);
    p.bound = p.slide.y;
}

bool PositionScan::passedEnd(uint64_t number) const {
    return number > stop_.load(std::memory_order_relaxed) ||
           number % positionCount_ > floorHits_[number / positionCount_].load(std::memory_order_relaxed);
}

void PositionScan::skipOrientation(uint32_t orientation) {
    raiseTo(next_, uint64_t{orientation + 1} * positionCount_);
}

// Takes untried positions in scan order, a few at a time, and slides each only as far as
// needed to tell whether it rests inside the layout or on the floor.
void PositionScan::findEnds(PlacementSearch& search) {
    const uint64_t total = uint64_t{orientationCount_} * positionCount_;
    const double width = search.layoutWidth(), height = search.layoutHeight();
    for (;;) {
        const uint64_t first = next_.fetch_add(kTakenTogether, std::memory_order_relaxed);
        if (first >= total) return;
        const uint64_t last = std::min(first + kTakenTogether, total);
        for (uint64_t number = first; number < last; ++number) {
            if (number > stop_.load(std::memory_order_relaxed)) return;
            const uint32_t o = static_cast<uint32_t>(number / positionCount_);
            const uint32_t i = static_cast<uint32_t>(number % positionCount_);
            // Past its orientation's end: on with the next orientation's positions.
            const uint64_t nextOrientation = uint64_t{o + 1} * positionCount_;
            if (passedEnd(number)) {
                skipOrientation(o);
                number = nextOrientation - 1;
                continue;
            }
            startAt(o, i);
            const double y0 = startY(i);
            const Point2 size = chart_->orientations[o].size;
            const bool keepsWidth = positionX(i) + size.x <= width;
            auto neither = [&](double y) { return (y0 > 0.0 || y > 0.0) && !(keepsWidth && y + size.y <= height); };
            if (!settle(search, o, i, neither, [&] { return !passedEnd(number); })) continue;
            const double y = at(o, i).slide.y;
            if (keepsWidth && y + size.y <= height) {
                lowerTo(stop_, number);
                return;
            }
            if (y == 0.0) {
                lowerTo(floorHits_[o], i);
                skipOrientation(o);
                number = nextOrientation - 1;
            }
        }
    }
}

// Where each orientation's scan ends: after its first floor position, after the first
// position inside the layout, or not at all past that.
void PositionScan::collectEnds() {
    const uint64_t stop = stop_.load(std::memory_order_relaxed);
    ends_.assign(orientationCount_, positionCount_);
    for (uint32_t o = 0; o < orientationCount_; ++o) {
        const uint64_t floorHit = floorHits_[o].load(std::memory_order_relaxed);
        if (floorHit != kNoEnd) ends_[o] = static_cast<uint32_t>(floorHit) + 1;
        if (stop == kNoEnd) continue;
        if (stop / positionCount_ == o) ends_[o] = static_cast<uint32_t>(stop % positionCount_) + 1;
        if (stop / positionCount_ < o) ends_[o] = 0;
    }
}

PlacementResult PositionScan::choose(PlacementSearch& search) {
    if (!passOver_) return exhaustive(search);
    collectEnds();
    const uint64_t stop = stop_.load(std::memory_order_relaxed);
    if (stop != kNoEnd && search.stopAlwaysWins())
        return resultAt(search, static_cast<uint32_t>(stop / positionCount_),
                        static_cast<uint32_t>(stop % positionCount_));
    return foldAll(search);
}

// The first position whose layout is wider than the layout is now.
uint32_t PositionScan::widthKeepingEnd(PlacementSearch& search, uint32_t orientation) const {
    uint32_t low = 0, high = positionCount_;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (search.keepsWidth(scoreAt(search, orientation, middle, 0.0)))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

PlacementResult PositionScan::foldAll(PlacementSearch& search) {
    PlacementResult best;
    for (uint32_t o = 0; o < orientationCount_; ++o) {
        const uint32_t end = ends_[o];
        const uint32_t widthKept = std::min(widthKeepingEnd(search, o), end);
        uint32_t from = 0;
        // Only a position that keeps the width and beats the best so far makes the best one
        // of the ordered kind.
        if (best.score.valid && !search.keepsWidth(best.score)) from = foldInOrder(search, o, 0, widthKept, best, true);
        foldByBound(search, o, from, widthKept, best);
        foldInOrder(search, o, widthKept, end, best, false);
    }
    return best;
}

// Folds positions from..to in scan order; with `untilBetter`, stops after the first one
// that becomes the best. Returns where it stopped.
uint32_t PositionScan::foldInOrder(PlacementSearch& search, uint32_t orientation, uint32_t from, uint32_t to,
                                   PlacementResult& best, bool untilBetter) {
    for (uint32_t i = from; i < to; ++i) {
        auto cannotBeat = [&](double y) {
            return best.score.valid && neverBetter(scoreAt(search, orientation, i, y), best.score);
        };
        if (!settle(search, orientation, i, cannotBeat, [] { return true; })) continue;
        const PlacementResult candidate = resultAt(search, orientation, i);
        if (!best.score.valid || better(candidate.score, best.score)) {
            best = candidate;
            bestNumber_ = uint64_t{orientation} * positionCount_ + i;
            if (untilBetter) return i + 1;
        }
    }
    return to;
}

// Among positions that keep the layout's width, Better orders by a value that never falls
// as the height grows, and the fold keeps the earliest of the best. So the positions are
// taken by their bounds, lowest first, until even the lowest bound left cannot match the
// best; one that cannot beat the best now never will.
void PositionScan::foldByBound(PlacementSearch& search, uint32_t orientation, uint32_t from, uint32_t to,
                               PlacementResult& best) {
    queue_.clear();
    for (uint32_t i = from; i < to; ++i)
        queue_.emplace_back(lowest(orientation, i), i);
    std::make_heap(queue_.begin(), queue_.end(), laterInQueue);
    while (!queue_.empty()) {
        std::pop_heap(queue_.begin(), queue_.end(), laterInQueue);
        const double height = queue_.back().first;
        const uint32_t i = queue_.back().second;
        queue_.pop_back();
        if (best.score.valid && better(best.score, scoreAt(search, orientation, i, height))) break;
        const uint64_t number = uint64_t{orientation} * positionCount_ + i;
        // Beaten by the best, or at best tied with it but later.
        auto cannotWin = [&](double y) {
            if (!best.score.valid) return false;
            const PlacementScore score = scoreAt(search, orientation, i, y);
            return better(best.score, score) || (!better(score, best.score) && number > bestNumber_);
        };
        if (!settle(search, orientation, i, cannotWin, [] { return true; })) continue;
        const PlacementResult candidate = resultAt(search, orientation, i);
        if (!cannotWin(candidate.y)) {
            best = candidate;
            bestNumber_ = number;
        }
    }
}

PlacementResult PositionScan::exhaustive(PlacementSearch& search) {
    PlacementResult best;
    for (uint32_t o = 0; o < orientationCount_; ++o) {
        for (uint32_t i = 0; i < positionCount_; ++i) {
            startAt(o, i);
            Position& p = at(o, i);
            search.continueSlide(chart_->orientations[o], positionX(i), p.slide, kLargest);
            tried_.fetch_add(1, std::memory_order_relaxed);
            const PlacementResult candidate = resultAt(search, o, i);
            if (!best.score.valid || better(candidate.score, best.score)) best = candidate;
            if (search.withinLayout(candidate.score)) return best;
            if (p.slide.y == 0.0) break;
        }
    }
    return best;
}

} // namespace OmbrixVectorPacker
