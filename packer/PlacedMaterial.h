#pragma once

#include "PackRecords.h"

#include <cstdint>
#include <vector>

namespace OmbrixVectorPacker {

// How far inside a chart's outline a point must lie to count as inside: more than the
// rounding of the exact crossing tests and of moving an outline along the scan's lines.
constexpr double kInsideMargin = 1e-9;

// The material of the placed charts on vertical lines at a quarter of the scan's step, line
// m at x = m * step / 4, so that a chart's own box sides and scan positions lie on lines: on
// every line the intervals between a placed outline's crossings (shrunk by the margin),
// merged where they meet, kept sorted with the free gap above each. Crossings are taken
// just right of the line (an edge's x range closed on the left, open on the right), so a
// vertex on a line counts once and a vertical edge on it not at all. Built up one placed
// chart at a time.
class PlacedMaterial {
public:
    static constexpr uint32_t kLinesPerStep = 4;

    // Forgets everything; the scan's positions are `step` apart from x = 0.
    void reset(double step);

    // Adds the material of a chart placed in the layout (outline in layout coordinates).
    void add(const PackChart& chart);

    // The lowest y' >= y at which the span (y' + low, y' + high) of line `line` (open at both
    // ends) holds no placed material. `low < high`.
    double fit(uint32_t line, double low, double high, double y) const;

    // The distance between lines, and the line through the scan position `position`.
    double spacing() const { return spacing_; }
    static uint32_t lineAt(uint32_t position) { return position * kLinesPerStep; }

private:
    // An interval of material with the length of the gap above it (infinite above the last
    // one) and the next interval above whose gap is longer, so that a search for a long
    // enough gap passes over runs of short ones at once. Kept together, as a lookup reads
    // them together.
    struct Interval {
        double bottom = 0.0;
        double top = 0.0;
        double gapAbove = 0.0;
        uint32_t nextLonger = 0;
    };

    struct Line {
        // Disjoint intervals, sorted, separated by gaps of positive length.
        std::vector<Interval> intervals;
        // The highest interval and the top of the one below it, which answer most lookups
        // (the scan asks mostly near the top of the layout) without reading the intervals.
        double highestBottom = kLargest;
        double highestTop = -kLargest;
        double belowHighestTop = -kLargest;

        void insert(double bottom, double top);
        void linkGaps();
    };

    double lineX(uint32_t line) const { return static_cast<double>(line) * spacing_; }
    void collectCrossings(const PackChart& chart, uint32_t firstLine, uint32_t endLine);

    double spacing_ = 0.0;
    std::vector<Line> lines_;
    // Scratch: crossings of one chart, per line.
    struct Crossing {
        uint32_t line;
        double y;
    };
    std::vector<Crossing> crossings_;
};

} // namespace OmbrixVectorPacker
