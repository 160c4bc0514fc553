#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Isochart {

struct Point {
    double x, y;
};

// Marks every cell of a width x height bitmap (cell (column, row) spanning [column, column + 1)
// x [row, row + 1)) that the filled triangle comes within `margin` of. A triangle with
// repeated corners marks the cells along its segment.
void coverTriangle(const Point (&triangle)[3], double margin, size_t width, size_t height,
                   std::vector<uint8_t>& bitmap);

// The border chain of a set of triangles (corner indices, three per triangle): their directed
// edges left over once every edge has cancelled against a reverse one. When all triangles
// turn the same way the chain's winding number is the number of triangles covering a point,
// so the chain alone describes their union. Returns false when they do not (a flipped or a
// flat triangle), and then the chain is of no use.
bool borderChain(std::span<const uint32_t> corners, std::span<const Point> points,
                 std::vector<std::array<uint32_t, 2>>& chain);

// Marks the cells a union of triangles covers, from its border chain: every cell within
// `margin` of a chain edge, and every cell whose centre the chain winds around. Costs time in
// proportion to the chain and the rows, not to the triangles inside.
class ChainFill {
public:
    void cover(std::span<const Point> points, std::span<const std::array<uint32_t, 2>> chain, double margin,
               size_t width, size_t height, std::vector<uint8_t>& bitmap);

private:
    struct Crossing {
        double x;
        int direction;
    };
    std::vector<uint32_t> rowStart_;
    std::vector<Crossing> crossings_;
};

} // namespace Isochart
