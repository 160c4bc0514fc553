#pragma once

#include "PackRecords.h"

#include <utility>
#include <vector>

namespace OmbrixVectorPacker {

// A vertical line through a chart orientation, at `offset` from its box's left side, and
// the lowest and highest points where the orientation's outline crosses it.
struct ProbeLine {
    double offset = 0.0;
    double low = 0.0;
    double high = 0.0;
};

// A few vertical lines across the orientation, away from its sides and from steep edges,
// whose crossing points are well defined even where the line is moved by a rounding step.
void probeLines(const ChartOrientation& orientation, std::vector<ProbeLine>& lines);

// A lower bound for the height at which a slide of the orientation comes to rest: it cannot
// rest while one of its outline's crossing points on a probe line lies strictly inside a
// placed chart (its outline would cross that chart's outline, or lie inside it). Keeps its
// scratch between calls.
class RestingBound {
public:
    // The lowest y >= `y0` at which, with the orientation's box at (x, y), no probe line's
    // crossing point lies inside the material of a placed chart (shrunk a little for the
    // rounding of the exact tests).
    double lowest(const VectorPacker& packer, const std::vector<ProbeLine>& lines, double x, double y0);

private:
    // A point where a placed chart's outline crosses a probe line.
    struct Crossing {
        uint32_t line;
        bool steep;
        double y;
    };

    void collectMaterial(const PackChart& chart);

    std::vector<uint32_t> hits_;
    BoxQueryStack stack_;
    std::vector<double> lineX_;
    std::vector<Crossing> crossings_;
    std::vector<std::vector<std::pair<double, double>>> material_;
};

} // namespace OmbrixVectorPacker
