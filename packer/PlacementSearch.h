#pragma once

#include "PackRecords.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace OmbrixVectorPacker {

// What a candidate position would make of the layout, with the run's statistics that the
// comparison reads.
struct PlacementScore {
    bool valid = false;
    // The layout's width and height if the chart went here.
    double width = 0.0;
    double height = 0.0;
    double y = 0.0;
    // The run as it stood when the candidate was scored.
    PackStats run;
};

// A worker's answer for one chart: where, in which orientation, and how good.
struct PlacementResult {
    double x = 0.0;
    double y = 0.0;
    uint32_t orientation = 0;
    PlacementScore score;
};

// True when placement `a` beats `b`: the first charts by the layout's area (among
// positions near the floor), the bulk by area plus the squared deviation from the
// texture's aspect, the last ones by the smallest box of the texture's aspect.
bool better(const PlacementScore& a, const PlacementScore& b);

// The best of the workers' results, taken in worker order; of two results that neither
// beats, the one further left.
PlacementResult mergeResults(std::span<const PlacementResult> results);

// Placement order: the larger box (of the first orientation) first.
bool placedBefore(const PackChart& a, const PackChart& b);

// Where the workers of pack mode 1 start their upward slide: the placed position with the
// largest x * y within windows of a tenth of the remaining charts, after the first ones.
struct PlacementHint {
    Point2 point{0.0, 0.0};
    uint64_t countdown = 100;
    bool tracking = false;

    void update(Point2 placedAt, uint64_t placedCount, uint64_t chartCount);
};

// Fixes a chart in the result's orientation at the result's place, with its outline moved
// there, and records it in the placed boxes, the extents and the statistics.
void placeChart(VectorPacker& packer, uint32_t chartPosition, const PlacementResult& result);

// One worker's search context, kept across the charts of one run: it reads the packer's
// charts, placed boxes, extents and statistics and owns its scratch arrays.
class PlacementSearch {
public:
    PlacementSearch(const VectorPacker& packer, size_t scratchHint);

    // Tries the chart's orientations at x = startX, startX + stride, ... up to endX, each
    // slid up from the floor (or from the hint) until it touches nothing, and returns the
    // best position, refined to the left. Stops early when a position does not grow the
    // layout, here or in another worker (`cancel`).
    PlacementResult search(uint32_t chart, double startX, double endX, double stride, Point2 hint,
                           std::atomic<uint8_t>& cancel);

private:
    template <bool Horizontal>
    double edgePush(uint32_t placed, const ChartOrientation& orientation, Point2 at);
    template <bool Horizontal>
    double blockingPush(const ChartOrientation& orientation, Point2 at);
    template <bool Horizontal>
    uint32_t countCrossings(const PackChart& placed, Point2 from, double& nearest);
    bool anchorInside(const ChartOrientation& orientation, Point2 at, double& distance);
    double slideUp(const ChartOrientation& orientation, double x, double y);
    double freeDistanceLeft(Point2 probe);
    Point2 refine(const ChartOrientation& orientation, Point2 found);
    PlacementScore score(const ChartOrientation& orientation, Point2 at) const;

    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    const VectorPacker& packer_;
    double epsilon_;
    uint32_t lastHit_ = kNone;
    std::vector<uint32_t> placedHits_;
    std::vector<uint32_t> placedEdgeHits_;
    std::vector<uint32_t> movingCandidates_;
    std::vector<uint32_t> rayHits_;
    BoxQueryStack stack_;
};

} // namespace OmbrixVectorPacker
