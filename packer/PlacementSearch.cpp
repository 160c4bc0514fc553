#include "PlacementSearch.h"

#include "Geometry.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

// The horizontal tests are the vertical ones with x and y exchanged.
template <bool Horizontal>
Point2 swapped(Point2 p) {
    if constexpr (Horizontal)
        return {p.y, p.x};
    else
        return p;
}

// How far above `point` the segment a-b lies at the point's x; `fallback` when the point
// is outside the segment's x range. A vertical segment answers with its upper end.
double verticalDistance(Point2 point, Point2 a, Point2 b, double fallback) {
    if (point.x < std::min(a.x, b.x) || point.x > std::max(a.x, b.x)) return fallback;
    if (a.x == b.x) return std::max(a.y, b.y) - point.y;
    return a.y + (point.x - a.x) / (b.x - a.x) * (b.y - a.y) - point.y;
}

// How far the moving edge f must rise to clear the placed edge e that it crosses: up to
// the first of f's end points that lies under e, or until e's end point above f is passed.
double crossingPush(Point2 fStart, Point2 fEnd, Point2 eStart, Point2 eEnd, double epsilon) {
    if (const double d = verticalDistance(fStart, eStart, eEnd, -1.0); d >= 0.0) return std::max(d, epsilon);
    if (const double d = verticalDistance(fEnd, eStart, eEnd, -1.0); d >= 0.0) return std::max(d, epsilon);
    if (const double d = verticalDistance(eStart, fStart, fEnd, 1.0); d <= 0.0) return std::max(-d, epsilon);
    if (const double d = verticalDistance(eEnd, fStart, fEnd, 1.0); d <= 0.0) return std::max(-d, epsilon);
    return 0.0;
}

// Moves `value` up by `step`, by at least one representable step, so slides always progress.
double advance(double value, double step) {
    const double moved = value + step;
    return moved > value ? moved : std::nextafter(value, kLargest);
}

// How the vertical line at `x` meets the edge s-t for the ray tests: strictly inside the
// edge's x range, or at an end from which the edge goes on to the right; `y` is then where.
enum class RayMeeting { None, Inside, AtEnd };

RayMeeting verticalMeeting(Point2 s, Point2 t, double x, double& y) {
    if (std::min(s.x, t.x) < x && x < std::max(s.x, t.x)) {
        y = yAtX(s, t, x);
        return RayMeeting::Inside;
    }
    if (s.x == x || t.x == x) {
        const Point2 end = s.x == x ? s : t, other = s.x == x ? t : s;
        if (!(other.x > end.x)) return RayMeeting::None;
        y = end.y;
        return RayMeeting::AtEnd;
    }
    return RayMeeting::None;
}

BoxEntry widened(BoxEntry box, double margin) {
    return {box.minX - margin, box.minY - margin, box.maxX + margin, box.maxY + margin, box.id};
}

} // namespace

namespace {

// The first charts are judged by the layout's area.
bool inAreaPhase(const PackStats& run) {
    return run.placed_count <= 1 ||
           (run.total_count >= 11 &&
            static_cast<double>(run.placed_count) / static_cast<double>(run.total_count) < 0.1 &&
            run.placed_area < 0.05 && run.current_aspect < 10.0);
}

// The bulk is judged by the layout's area plus its squared deviation from the aspect.
double areaAndDeviation(double width, double height, double aspect) {
    const double deviation = width - height * aspect;
    return width * height + deviation * deviation;
}

} // namespace

bool better(const PlacementScore& a, const PlacementScore& b) {
    if (!a.valid) return false;
    if (!b.valid) return true;
    const PackStats& run = a.run;
    if (inAreaPhase(run)) {
        const double areaA = a.width * a.height, areaB = b.width * b.height;
        if (areaB > areaA + run.epsilon && a.y < 0.01 * areaA) return true;
        if (areaA > areaB + run.epsilon && b.y < 0.01 * areaB) return false;
    }
    if (run.placed_area < 0.8) {
        if (b.width >= a.width && b.height >= a.height)
            return (a.width != b.width || a.height != b.height) ? true : b.y > a.y;
        if (a.width >= b.width && a.height >= b.height) return false;
        const double scoreA = areaAndDeviation(a.width, a.height, run.aspect);
        const double scoreB = areaAndDeviation(b.width, b.height, run.aspect);
        if (std::abs(scoreA - scoreB) >= 2.0 * run.epsilon) return scoreB > scoreA;
        return b.y > a.y;
    }
    const double sideA = std::max(a.height * run.aspect, a.width), sideB = std::max(b.height * run.aspect, b.width);
    if (sideA == sideB) return b.width * b.height > a.width * a.height;
    return sideB > sideA;
}

// Follows `better` branch by branch for every height from the lowest one up: the rules that
// could let the candidate win hold, if at all, only up to some height, except where the
// area and deviation may fall again as the layout grows taller, which is bounded by its
// smallest value over the heights still possible.
bool neverBetter(const PlacementScore& lowest, const PlacementScore& best) {
    if (!best.valid) return false;
    const PlacementScore& c = lowest;
    const PlacementScore& b = best;
    const PackStats& run = c.run;
    if (inAreaPhase(run)) {
        const double areaC = c.width * c.height, areaB = b.width * b.height;
        // Near the floor a smaller area wins; higher up the candidate's area only grows and
        // (for layouts narrower than 100) its height outgrows the near-floor limit.
        if (areaB > areaC + run.epsilon && (c.y < 0.01 * areaC || c.width >= 100.0)) return false;
    }
    if (run.placed_area < 0.8) {
        if (b.width >= c.width && b.height >= c.height)
            return c.width == b.width && c.height == b.height && !(b.y > c.y);
        if (c.width >= b.width && c.height >= b.height) return true;
        // Neither holds the other: the candidate is narrower and taller (and stays so), or
        // wider and lower until it reaches the best's height.
        const double highest = c.width < b.width ? kLargest : b.height;
        const double turn = c.width * (2.0 * run.aspect - 1.0) / (2.0 * run.aspect * run.aspect);
        const double smallest =
            areaAndDeviation(c.width, std::clamp(turn, c.height, highest), run.aspect) * (1.0 - 1e-12);
        const double scoreB = areaAndDeviation(b.width, b.height, run.aspect);
        if (smallest >= scoreB + 2.0 * run.epsilon) return true;
        return smallest > scoreB - 2.0 * run.epsilon && b.y <= c.y;
    }
    const double sideC = std::max(c.height * run.aspect, c.width), sideB = std::max(b.height * run.aspect, b.width);
    return sideC > sideB || (sideC == sideB && !(b.width * b.height > c.width * c.height));
}

bool placedBefore(const PackChart& a, const PackChart& b) {
    auto area = [](const PackChart& chart) {
        return chart.orientations.empty() ? 0.0 : chart.orientations[0].size.x * chart.orientations[0].size.y;
    };
    return area(a) > area(b);
}

void PlacementHint::update(Point2 placedAt, uint64_t placedCount, uint64_t chartCount) {
    if (countdown == 0) {
        point = {0.0, 0.0};
        countdown = (chartCount - placedCount) / 10;
        tracking = true;
        return;
    }
    --countdown;
    if (tracking && placedAt.x * placedAt.y > point.x * point.y) point = placedAt;
}

// Fixes the chart in the chosen orientation at its place and records it in the layout.
void placeChart(VectorPacker& packer, uint32_t chartPosition, const PlacementResult& result) {
    PackChart& chart = packer.charts[chartPosition];
    const ChartOrientation& orientation = chart.orientations[result.orientation];
    chart.position = {result.x, result.y};
    chart.angle = orientation.angle;
    chart.box_min = orientation.box_min;
    chart.size = orientation.size;
    chart.outline = orientation.edges;
    for (OutlineEdge& edge : chart.outline) {
        edge.start = edge.start + chart.position;
        edge.end = edge.end + chart.position;
        setEdgeBox(edge);
    }
    chart.placed = true;
    chart.has_outline = !chart.outline.empty();
    chart.edge_index = &orientation.edge_index;

    packer.extent_x = std::max(packer.extent_x, result.x + chart.size.x);
    packer.extent_y = std::max(packer.extent_y, result.y + chart.size.y);
    packer.placed_boxes.insert({result.x, result.y, result.x + chart.size.x, result.y + chart.size.y, chartPosition});
    PackStats& stats = packer.stats;
    stats.placed_area += chart.size.x * chart.size.y;
    stats.current_aspect = packer.extent_x / packer.extent_y;
    stats.placed_count += 1;
}

PlacementSearch::PlacementSearch(const VectorPacker& packer, size_t scratchHint)
    : packer_(packer), epsilon_(packer.epsilon) {
    placedHits_.reserve(64);
    placedEdgeHits_.reserve(scratchHint);
    movingCandidates_.reserve(scratchHint);
    rayHits_.reserve(scratchHint);
    stack_.reserve(128);
}

PlacementResult PlacementSearch::refine(const PackChart& chart, const PlacementResult& found) {
    const ChartOrientation& orientation = chart.orientations[found.orientation];
    const Point2 refined = slideLeft(orientation, {found.x, found.y});
    return {refined.x, refined.y, found.orientation, score(orientation, refined)};
}

bool PlacementSearch::withinLayout(const PlacementScore& score) const {
    return score.width == packer_.extent_x && score.height == packer_.extent_y;
}

bool PlacementSearch::keepsWidth(const PlacementScore& score) const {
    return score.width == packer_.extent_x;
}

bool PlacementSearch::stopAlwaysWins() const {
    return packer_.stats.placed_area < 0.8;
}

PlacementScore PlacementSearch::score(const ChartOrientation& orientation, Point2 at) const {
    PlacementScore result;
    result.valid = true;
    result.width = std::max(packer_.extent_x, at.x + orientation.size.x);
    result.height = std::max(packer_.extent_y, at.y + orientation.size.y);
    result.y = at.y;
    result.run = packer_.stats;
    return result;
}

double PlacementSearch::slideUp(const ChartOrientation& orientation, double x, double y) {
    SlideState state;
    state.y = y;
    continueSlide(orientation, x, state, kLargest);
    return state.y;
}

// Every box a slide meets lies in the column above where it stands, so the column's charts
// are gathered once (in the index's order) and each step picks those meeting its box.
void PlacementSearch::continueSlide(const ChartOrientation& orientation, double x, SlideState& state, double limit) {
    if (state.rested) return;
    double y = state.y;
    lastHit_ = state.lastHit;
    column_.clear();
    const double reach = limit < kLargest - orientation.size.y ? limit + orientation.size.y : kLargest;
    packer_.placed_boxes.query(widened({x, y, x + orientation.size.x, reach, 0}, epsilon_), column_, stack_);
    columnReady_ = true;
    while (y <= limit) {
        const double push = blockingPush<false>(orientation, {x, y});
        if (push > 0.0) {
            y = advance(y, push);
            continue;
        }
        lastHit_ = kNone;
        double distance = 0.0;
        if (anchorInside(orientation, {x, y}, distance) || enclosesPlaced(orientation, {x, y}, distance)) {
            y = advance(y, distance);
            continue;
        }
        state.rested = true;
        break;
    }
    columnReady_ = false;
    state.y = y;
    state.lastHit = lastHit_;
}

// The placed charts whose boxes meet `box`, in the index's order, into `placedHits_`. With
// `lowestOfSlide`, the box's bottom is the lowest the slide will ever ask for, and the
// column's charts wholly below it are dropped for the rest of the slide.
void PlacementSearch::findPlaced(const BoxEntry& box, bool lowestOfSlide) {
    placedHits_.clear();
    if (!columnReady_) {
        packer_.placed_boxes.query(box, placedHits_, stack_);
        return;
    }
    size_t kept = 0;
    for (const uint32_t placed : column_) {
        const PackChart& chart = packer_.charts[placed];
        const double top = chart.position.y + chart.size.y;
        if (lowestOfSlide && top < box.minY) continue;
        column_[kept++] = placed;
        if (chart.position.x + chart.size.x >= box.minX && box.maxX >= chart.position.x && top >= box.minY &&
            box.maxY >= chart.position.y)
            placedHits_.push_back(placed);
    }
    column_.resize(kept);
}

// The push of the first placed chart whose edges the orientation at `at` crosses (the last
// one hit first), which becomes the last hit; 0 when nothing blocks.
template <bool Horizontal>
double PlacementSearch::blockingPush(const ChartOrientation& orientation, Point2 at) {
    if (lastHit_ != kNone) {
        const PackChart& last = packer_.charts[lastHit_];
        const double far = Horizontal ? last.position.x + last.size.x : last.position.y + last.size.y;
        if (far > (Horizontal ? at.x : at.y)) {
            const double push = edgePush<Horizontal>(lastHit_, orientation, at);
            if (push > 0.0) return push;
        }
    }
    findPlaced(widened({at.x, at.y, at.x + orientation.size.x, at.y + orientation.size.y, 0}, epsilon_), !Horizontal);
    for (const uint32_t placed : placedHits_) {
        if (placed == lastHit_) continue;
        const double push = edgePush<Horizontal>(placed, orientation, at);
        if (push > 0.0) {
            lastHit_ = placed;
            return push;
        }
    }
    return 0.0;
}

double PlacementSearch::edgeTest(uint32_t placed, const ChartOrientation& orientation, Point2 at) {
    return edgePush<false>(placed, orientation, at);
}

// Tests the edges of the orientation at `at` against the placed chart's edges near them,
// through both edge indexes; the first crossing pair gives the push, lengthened to the
// placed chart's boundary above when the crossing lies inside the placed chart.
template <bool Horizontal>
double PlacementSearch::edgePush(uint32_t placed, const ChartOrientation& orientation, Point2 at) {
    const PackChart& chart = packer_.charts[placed];
    const Point2 origin = chart.position;
    placedEdgeHits_.clear();
    const BoxEntry movingBox{at.x - origin.x, at.y - origin.y, at.x + orientation.size.x - origin.x,
                             at.y + orientation.size.y - origin.y, 0};
    if (chart.edge_index->query(widened(movingBox, epsilon_), placedEdgeHits_, stack_) == 0) return 0.0;
    // Only the moving edges within the placed chart's box can meet its edges; gathering
    // them once, in the index's order, leaves each placed edge's own query to a box test
    // over these few.
    movingCandidates_.clear();
    const BoxEntry placedBox{origin.x - at.x, origin.y - at.y, origin.x + chart.size.x - at.x,
                             origin.y + chart.size.y - at.y, 0};
    if (orientation.edge_index.query(widened(placedBox, epsilon_), movingCandidates_, stack_) == 0) return 0.0;
    for (const uint32_t e : placedEdgeHits_) {
        const OutlineEdge& placedEdge = chart.outline[e];
        const BoxEntry edgeBox = widened(
            {placedEdge.box[0] - at.x, placedEdge.box[1] - at.y, placedEdge.box[2] - at.x, placedEdge.box[3] - at.y, 0},
            epsilon_);
        const Point2 eStart = swapped<Horizontal>(placedEdge.start), eEnd = swapped<Horizontal>(placedEdge.end);
        for (const uint32_t f : movingCandidates_) {
            const OutlineEdge& movingEdge = orientation.edges[f];
            if (std::max(movingEdge.start.x, movingEdge.end.x) < edgeBox.minX ||
                edgeBox.maxX < std::min(movingEdge.start.x, movingEdge.end.x) ||
                std::max(movingEdge.start.y, movingEdge.end.y) < edgeBox.minY ||
                edgeBox.maxY < std::min(movingEdge.start.y, movingEdge.end.y))
                continue;
            const Point2 fStart = swapped<Horizontal>(movingEdge.start + at);
            const Point2 fEnd = swapped<Horizontal>(movingEdge.end + at);
            const Point2 r = fEnd - fStart, s = eEnd - eStart;
            const double denominator = cross(r, s);
            if (denominator == 0.0) continue;
            const Point2 w = eStart - fStart;
            const double t = cross(w, s) / denominator, u = cross(w, r) / denominator;
            if (t < 0.0 || t > 1.0 || u < 0.0 || u > 1.0) continue;
            double push = crossingPush(fStart, fEnd, eStart, eEnd, epsilon_);
            if (push <= 0.0) continue;
            double nearest = kLargest;
            if (countCrossings<Horizontal>(chart, fStart + r * t, nearest) % 2 == 1) push = std::max(nearest, push);
            return push;
        }
    }
    return 0.0;
}

// Counts the placed chart's edges crossed by the ray up from `from` (right from it for the
// horizontal test; both in exchanged coordinates), with the nearest crossing's distance.
template <bool Horizontal>
uint32_t PlacementSearch::countCrossings(const PackChart& placed, Point2 from, double& nearest) {
    const Point2 real = swapped<Horizontal>(from) - placed.position;
    const BoxEntry ray =
        Horizontal ? BoxEntry{real.x, real.y, kLargest, real.y, 0} : BoxEntry{real.x, real.y, real.x, kLargest, 0};
    rayHits_.clear();
    placed.edge_index->query(widened(ray, epsilon_), rayHits_, stack_);
    uint32_t count = 0;
    for (const uint32_t e : rayHits_) {
        const Point2 s = swapped<Horizontal>(placed.outline[e].start), t = swapped<Horizontal>(placed.outline[e].end);
        double crossing;
        const RayMeeting meeting = verticalMeeting(s, t, from.x, crossing);
        if (meeting == RayMeeting::None || !(crossing > (meeting == RayMeeting::Inside ? from.y + epsilon_ : from.y)))
            continue;
        ++count;
        nearest = std::min(nearest, crossing - from.y);
    }
    return count;
}

// Whether the orientation's anchor at `at` lies inside a placed chart (an odd number of
// its edges above); `distance` is then the way up to that chart's nearest edge.
bool PlacementSearch::anchorInside(const ChartOrientation& orientation, Point2 at, double& distance) {
    const Point2 anchor = at + orientation.anchor;
    findPlaced({anchor.x, anchor.y, anchor.x, anchor.y + orientation.anchor_height, 0});
    for (const uint32_t placed : placedHits_) {
        double nearest = kLargest;
        if (countCrossings<false>(packer_.charts[placed], anchor, nearest) % 2 == 1) {
            distance = nearest;
            return true;
        }
    }
    return false;
}

// Whether the orientation at `at` holds a placed chart inside, which neither the edge test
// nor the anchor test sees; `distance` is then the rise that brings the orientation's
// outline below that chart up to it.
bool PlacementSearch::enclosesPlaced(const ChartOrientation& orientation, Point2 at, double& distance) {
    const Point2 far = at + orientation.size;
    for (const uint32_t placed : column_) {
        const PackChart& chart = packer_.charts[placed];
        const Point2 top = chart.position + chart.size;
        if (chart.position.x < at.x - epsilon_ || chart.position.y < at.y - epsilon_ || top.x > far.x + epsilon_ ||
            top.y > far.y + epsilon_ || chart.outline.empty())
            continue;
        // A point of the placed chart's outer loop, in the orientation's own coordinates.
        const Point2 point = chart.outline.front().start - at;
        rayHits_.clear();
        orientation.edge_index.query(widened({point.x, -kLargest, point.x, kLargest, 0}, epsilon_), rayHits_, stack_);
        uint32_t above = 0;
        double below = -kLargest;
        for (const uint32_t e : rayHits_) {
            const Point2 s = orientation.edges[e].start, t = orientation.edges[e].end;
            double crossing;
            if (verticalMeeting(s, t, point.x, crossing) == RayMeeting::None) continue;
            if (crossing > point.y + epsilon_)
                ++above;
            else if (crossing < point.y)
                below = std::max(below, crossing);
        }
        if (above % 2 == 1) {
            distance = below > -kLargest ? point.y - below : epsilon_;
            return true;
        }
    }
    return false;
}

// The free way to the left of `probe`: the distance to the nearest edge of a placed chart
// at the probe's height that does not lie right of it; kLargest when there is none. The
// charts are visited nearest side first, so that those whose right side lies farther away
// than an edge already found (by more than the rounding of an edge's crossing) are passed
// over.
double PlacementSearch::freeDistanceLeft(Point2 probe) {
    double distance = kLargest;
    placedHits_.clear();
    packer_.placed_boxes.query(widened({-kLargest, probe.y, probe.x, probe.y, 0}, epsilon_), placedHits_, stack_);
    auto right = [this](uint32_t placed) {
        const PackChart& chart = packer_.charts[placed];
        return chart.position.x + chart.size.x;
    };
    std::sort(placedHits_.begin(), placedHits_.end(), [&](uint32_t a, uint32_t b) { return right(a) > right(b); });
    for (const uint32_t placed : placedHits_) {
        if (probe.x - right(placed) > distance + epsilon_) break;
        const PackChart& chart = packer_.charts[placed];
        if (chart.position.x > probe.x || probe.y < chart.position.y || probe.y > chart.position.y + chart.size.y)
            continue;
        const Point2 local = probe - chart.position;
        rayHits_.clear();
        chart.edge_index->query(widened({-kLargest, local.y, local.x + epsilon_, local.y, 0}, epsilon_), rayHits_,
                                stack_);
        for (const uint32_t e : rayHits_) {
            const Point2 s = chart.outline[e].start, t = chart.outline[e].end;
            double x;
            if (std::min(s.y, t.y) < probe.y && probe.y < std::max(s.y, t.y)) {
                x = s.x + (probe.y - s.y) / (t.y - s.y) * (t.x - s.x);
            } else if (probe.y == s.y) {
                if (!(t.y > s.y && s.x < probe.x)) continue;
                x = s.x;
            } else if (probe.y == t.y) {
                if (!(s.y > t.y && t.x < probe.x)) continue;
                x = t.x;
            } else {
                continue;
            }
            if (x - probe.x < epsilon_) distance = std::min(distance, std::abs(x - probe.x));
        }
    }
    return distance;
}

// The refinement's move: from just above the found position, as far left as the charts
// there allow.
Point2 PlacementSearch::slideLeft(const ChartOrientation& orientation, Point2 found) {
    lastHit_ = kNone;
    const double y = found.y + epsilon_;
    double distance =
        std::min(freeDistanceLeft({found.x + orientation.lowest_point.x, y + orientation.lowest_point.y}),
                 freeDistanceLeft({found.x + orientation.highest_point.x, y + orientation.highest_point.y}));
    if (distance == kLargest) distance = found.x;
    const double shift = distance - epsilon_;
    if (shift <= 0.0) return found;
    for (double x = std::max(0.0, found.x - shift); x < found.x;) {
        const double push = blockingPush<true>(orientation, {x, y});
        if (push <= 0.0) return {x, y};
        x = advance(x, push);
    }
    return found;
}

} // namespace OmbrixVectorPacker
