#pragma once

#include "PackRecords.h"

#include <cmath>
#include <numbers>

namespace OmbrixVectorPacker {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

inline Point2 operator+(Point2 a, Point2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point2 operator-(Point2 a, Point2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point2 operator*(Point2 a, double k) {
    return {a.x * k, a.y * k};
}
inline bool operator==(Point2 a, Point2 b) {
    return a.x == b.x && a.y == b.y;
}
inline double cross(Point2 a, Point2 b) {
    return a.x * b.y - a.y * b.x;
}
inline double dot(Point2 a, Point2 b) {
    return a.x * b.x + a.y * b.y;
}
inline double length(Point2 a) {
    return std::hypot(a.x, a.y);
}
inline bool isFinite(Point2 a) {
    return std::isfinite(a.x) && std::isfinite(a.y);
}

// The y at `x` of the line through `s` and `t`, which must differ in x.
inline double yAtX(Point2 s, Point2 t, double x) {
    return s.y + (x - s.x) / (t.x - s.x) * (t.y - s.y);
}

// Counter-clockwise angle from direction `from` to direction `to`, in (0, 2 pi]: the same
// direction counts as a full turn.
inline double turnAngle(Point2 from, Point2 to) {
    double angle = std::atan2(to.y, to.x) - std::atan2(from.y, from.x);
    while (angle <= 0.0)
        angle += kTwoPi;
    while (angle > kTwoPi)
        angle -= kTwoPi;
    return angle;
}

// The last edge of a loop under construction whose material lies on its left, grown by
// merging almost straight continuations into it. Merging drops the points in between; the
// loop still holds all its material only while every dropped point lies on or left of the
// chord that replaces them, so that the chord passes outside, never through the material.
class StraightRun {
public:
    void restart(Point2 start) {
        start_ = start;
        merged_ = false;
    }

    // Whether the run may drop `through` and end at `end` instead.
    bool admits(Point2 through, Point2 end) const {
        const Point2 chord = end - start_;
        return cross(chord, through - start_) >= 0.0 && (!merged_ || cross(chord, tightest_ - start_) >= 0.0);
    }

    void merge(Point2 through) {
        // Seen from the start, the dropped point furthest clockwise bounds every later chord.
        if (!merged_ || cross(tightest_ - start_, through - start_) < 0.0) tightest_ = through;
        merged_ = true;
    }

private:
    Point2 start_;
    Point2 tightest_;
    bool merged_ = false;
};

// `point` turned by `angle` about `pivot`.
inline Point2 rotateAbout(Point2 point, Point2 pivot, double cosine, double sine) {
    const Point2 d = point - pivot;
    return {pivot.x + d.x * cosine - d.y * sine, pivot.y + d.x * sine + d.y * cosine};
}

inline void setEdgeBox(OutlineEdge& edge) {
    edge.box[0] = std::min(edge.start.x, edge.end.x);
    edge.box[1] = std::min(edge.start.y, edge.end.y);
    edge.box[2] = std::max(edge.start.x, edge.end.x);
    edge.box[3] = std::max(edge.start.y, edge.end.y);
}

inline BoxEntry edgeBoxEntry(const OutlineEdge& edge, uint32_t id) {
    return {std::min(edge.start.x, edge.end.x), std::min(edge.start.y, edge.end.y), std::max(edge.start.x, edge.end.x),
            std::max(edge.start.y, edge.end.y), id};
}

// Lower-left corner and size of the end points of `edges`.
inline void edgesBox(const std::vector<OutlineEdge>& edges, Point2& boxMin, Point2& size) {
    Point2 low{kLargest, kLargest};
    Point2 high{-kLargest, -kLargest};
    for (const OutlineEdge& edge : edges) {
        for (const Point2 p : {edge.start, edge.end}) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y)};
        }
    }
    boxMin = low;
    size = edges.empty() ? Point2{0.0, 0.0} : high - low;
}

} // namespace OmbrixVectorPacker
