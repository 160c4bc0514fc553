#include "isochart/ChartOverlap.h"

#include "isochart/ChartStretch.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Isochart {

namespace {

struct Box {
    Eigen::Vector2d low, high;
};

// Separated when all of `other` lies on or right of one edge line of `mine`.
bool separatedByEdgeOf(const Eigen::Vector2d mine[3], const Eigen::Vector2d other[3]) {
    for (int k = 0; k < 3; ++k) {
        const Eigen::Vector2d &a = mine[k], &b = mine[(k + 1) % 3];
        if (doubleSignedArea(a, b, other[0]) <= 0.0 && doubleSignedArea(a, b, other[1]) <= 0.0 &&
            doubleSignedArea(a, b, other[2]) <= 0.0)
            return true;
    }
    return false;
}

bool trianglesOverlap(const Eigen::Vector2d a[3], const Eigen::Vector2d b[3]) {
    return !separatedByEdgeOf(a, b) && !separatedByEdgeOf(b, a);
}

} // namespace

bool hasSelfOverlap(const ChartMesh& chart, const std::vector<Eigen::Vector2d>& uv) {
    const size_t count = chart.triangleCount();
    if (count < 2) return false;
    std::vector<Box> boxes(count);
    Box all{uv[0], uv[0]};
    for (uint32_t t = 0; t < count; ++t) {
        const auto& c = chart.corners[t];
        boxes[t].low = uv[c[0]].cwiseMin(uv[c[1]]).cwiseMin(uv[c[2]]);
        boxes[t].high = uv[c[0]].cwiseMax(uv[c[1]]).cwiseMax(uv[c[2]]);
        all.low = all.low.cwiseMin(boxes[t].low);
        all.high = all.high.cwiseMax(boxes[t].high);
    }
    // About one cell per triangle over the chart's bounding box.
    const Eigen::Vector2d extent = (all.high - all.low).cwiseMax(1e-30);
    const double cell = std::sqrt(extent.x() * extent.y() / double(count)) + 1e-30;
    const int columns = std::clamp(int(extent.x() / cell) + 1, 1, 4096);
    const int rows = std::clamp(int(extent.y() / cell) + 1, 1, 4096);
    auto cellRange = [&](const Box& box, int range[4]) {
        range[0] = std::clamp(int((box.low.x() - all.low.x()) / extent.x() * columns), 0, columns - 1);
        range[1] = std::clamp(int((box.high.x() - all.low.x()) / extent.x() * columns), 0, columns - 1);
        range[2] = std::clamp(int((box.low.y() - all.low.y()) / extent.y() * rows), 0, rows - 1);
        range[3] = std::clamp(int((box.high.y() - all.low.y()) / extent.y() * rows), 0, rows - 1);
    };

    std::vector<std::array<int, 4>> ranges(count);
    std::vector<uint32_t> start(size_t(columns) * rows + 1, 0);
    for (uint32_t t = 0; t < count; ++t) {
        int* range = ranges[t].data();
        cellRange(boxes[t], range);
        for (int y = range[2]; y <= range[3]; ++y)
            for (int x = range[0]; x <= range[1]; ++x)
                ++start[size_t(y) * columns + x + 1];
    }
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<uint32_t> members(start.back());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (uint32_t t = 0; t < count; ++t) {
        const int* range = ranges[t].data();
        for (int y = range[2]; y <= range[3]; ++y)
            for (int x = range[0]; x <= range[1]; ++x)
                members[fill[size_t(y) * columns + x]++] = t;
    }

    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const size_t cellIndex = size_t(y) * columns + x;
            for (uint32_t i = start[cellIndex]; i < start[cellIndex + 1]; ++i)
                for (uint32_t j = i + 1; j < start[cellIndex + 1]; ++j) {
                    const uint32_t s = members[i], t = members[j];
                    const Box &bs = boxes[s], &bt = boxes[t];
                    if (bs.high.x() <= bt.low.x() || bt.high.x() <= bs.low.x() || bs.high.y() <= bt.low.y() ||
                        bt.high.y() <= bs.low.y())
                        continue;
                    // Test each pair once: in the first cell both boxes cover.
                    const auto &rs = ranges[s], &rt = ranges[t];
                    if (std::max(rs[0], rt[0]) != x || std::max(rs[2], rt[2]) != y) continue;
                    const Eigen::Vector2d a[3] = {uv[chart.corners[s][0]], uv[chart.corners[s][1]],
                                                  uv[chart.corners[s][2]]};
                    const Eigen::Vector2d b[3] = {uv[chart.corners[t][0]], uv[chart.corners[t][1]],
                                                  uv[chart.corners[t][2]]};
                    if (trianglesOverlap(a, b)) return true;
                }
        }
    return false;
}

} // namespace Isochart
