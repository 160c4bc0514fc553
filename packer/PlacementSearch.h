#pragma once

#include "PackRecords.h"

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

// True when a candidate scored at `lowest`, which can only end at that height or higher
// (its layout height never shrinking), is never Better than `best`, wherever it ends.
bool neverBetter(const PlacementScore& lowest, const PlacementScore& best);

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

// Where a slide stands: its height, the placed chart that blocked it last (tested first at
// the next step), and whether it has come to rest.
struct SlideState {
    double y = 0.0;
    uint32_t lastHit = 0xFFFFFFFFu;
    bool rested = false;
};

// One searcher's context, kept across the charts of one run: it reads the packer's charts,
// placed boxes, extents and statistics and owns its scratch arrays. Its answers depend only
// on its arguments and the packer, never on what it was asked before.
class PlacementSearch {
public:
    PlacementSearch(const VectorPacker& packer, size_t scratchHint);

    // Slides the orientation up from (x, y) until no placed chart's edges cross its edges,
    // its anchor lies inside no placed chart and it holds no placed chart inside; returns
    // the y reached.
    double slideUp(const ChartOrientation& orientation, double x, double y);

    // Goes on with a slide at x from where it stands until it rests or its height passes
    // `limit`. A slide taken up in several parts ends where it ends in one.
    void continueSlide(const ChartOrientation& orientation, double x, SlideState& state, double limit);

    // Slides a found position left, just above where it was found, as far as the charts to
    // its left allow, and scores it there; keeps the position when it cannot move.
    PlacementResult refine(const PackChart& chart, const PlacementResult& found);

    // What placing the orientation at `at` would make of the layout.
    PlacementScore score(const ChartOrientation& orientation, Point2 at) const;

    // Whether the scored position leaves the layout's extents as they are.
    bool withinLayout(const PlacementScore& score) const;

    double layoutWidth() const { return packer_.extent_x; }
    double layoutHeight() const { return packer_.extent_y; }

    // Whether the scored position leaves the layout's width as it is.
    bool keepsWidth(const PlacementScore& score) const;

    // Whether a position inside the layout is Better than every other position of the run
    // as it stands (the layout's smallest box decides only late in the run, and there two
    // boxes of the same area and side may tie).
    bool stopAlwaysWins() const;

    // How far the placed chart pushes the orientation at `at` upward: 0 when their edges do
    // not cross; when the first crossing lies under the placed chart's material, at least
    // the way up to its nearest boundary above the crossing.
    double edgeTest(uint32_t placed, const ChartOrientation& orientation, Point2 at);

private:
    template <bool Horizontal>
    double edgePush(uint32_t placed, const ChartOrientation& orientation, Point2 at);
    template <bool Horizontal>
    double blockingPush(const ChartOrientation& orientation, Point2 at);
    template <bool Horizontal>
    uint32_t countCrossings(const PackChart& placed, Point2 from, double& nearest);
    bool anchorInside(const ChartOrientation& orientation, Point2 at, double& distance);
    bool enclosesPlaced(const ChartOrientation& orientation, Point2 at, double& distance);
    void findPlaced(const BoxEntry& box, bool lowestOfSlide = false);
    double freeDistanceLeft(Point2 probe);
    Point2 slideLeft(const ChartOrientation& orientation, Point2 found);

    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    const VectorPacker& packer_;
    double epsilon_;
    uint32_t lastHit_ = kNone;
    std::vector<uint32_t> placedHits_;
    // The placed charts in the column of the slide under way, while `columnReady_`.
    std::vector<uint32_t> column_;
    bool columnReady_ = false;
    std::vector<uint32_t> placedEdgeHits_;
    std::vector<uint32_t> movingCandidates_;
    std::vector<uint32_t> rayHits_;
    BoxQueryStack stack_;
};

} // namespace OmbrixVectorPacker
