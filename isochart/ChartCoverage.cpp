#include "isochart/ChartCoverage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Isochart {

void coverTriangle(const Point (&triangle)[3], double margin, size_t width, size_t height,
                   std::vector<uint8_t>& bitmap) {
    const double low = std::min({triangle[0].y, triangle[1].y, triangle[2].y}) - margin;
    const double high = std::max({triangle[0].y, triangle[1].y, triangle[2].y}) + margin;
    const long firstRow = std::max(0L, static_cast<long>(std::floor(low)));
    const long lastRow = std::min(static_cast<long>(height) - 1, static_cast<long>(std::floor(high)));
    for (long row = firstRow; row <= lastRow; ++row) {
        const double bottom = row - margin, top = row + 1 + margin;
        double left = std::numeric_limits<double>::infinity(), right = -left;
        for (int k = 0; k < 3; ++k) {
            const Point& a = triangle[k];
            const Point& b = triangle[(k + 1) % 3];
            if (a.y >= bottom && a.y <= top) {
                left = std::min(left, a.x);
                right = std::max(right, a.x);
            }
            if (a.y == b.y) continue;
            for (const double line : {bottom, top}) {
                if ((line - a.y) * (line - b.y) > 0) continue;
                const double x = a.x + (line - a.y) / (b.y - a.y) * (b.x - a.x);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        if (left > right) continue;
        const long firstColumn = std::max(0L, static_cast<long>(std::floor(left - margin)));
        const long lastColumn = std::min(static_cast<long>(width) - 1, static_cast<long>(std::floor(right + margin)));
        for (long column = firstColumn; column <= lastColumn; ++column)
            bitmap[row * width + column] = 1;
    }
}

bool borderChain(std::span<const uint32_t> corners, std::span<const Point> points,
                 std::vector<std::array<uint32_t, 2>>& chain) {
    chain.clear();
    int turning = 0;
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        const Point &a = points[corners[t]], &b = points[corners[t + 1]], &c = points[corners[t + 2]];
        const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        const int sign = area > 0.0 ? 1 : area < 0.0 ? -1 : 0;
        if (sign == 0 || (turning != 0 && sign != turning)) return false;
        turning = sign;
        for (int k = 0; k < 3; ++k)
            chain.push_back({corners[t + k], corners[t + (k + 1) % 3]});
    }
    // Sorted by undirected edge, an edge and its reverse meet and cancel.
    auto undirected = [](const std::array<uint32_t, 2>& e) {
        return std::pair{std::min(e[0], e[1]), std::max(e[0], e[1])};
    };
    std::sort(chain.begin(), chain.end(), [&](const auto& a, const auto& b) {
        return undirected(a) < undirected(b) || (undirected(a) == undirected(b) && a < b);
    });
    size_t kept = 0;
    for (size_t i = 0; i < chain.size();) {
        size_t j = i;
        long balance = 0; // forward (low to high) minus backward
        while (j < chain.size() && undirected(chain[j]) == undirected(chain[i])) {
            balance += chain[j][0] < chain[j][1] ? 1 : -1;
            ++j;
        }
        const auto [low, high] = undirected(chain[i]);
        for (long n = 0; n < std::abs(balance); ++n)
            chain[kept++] = balance > 0 ? std::array{low, high} : std::array{high, low};
        i = j;
    }
    chain.resize(kept);
    return true;
}

void ChainFill::cover(std::span<const Point> points, std::span<const std::array<uint32_t, 2>> chain, double margin,
                      size_t width, size_t height, std::vector<uint8_t>& bitmap) {
    for (const auto& edge : chain) {
        const Point segment[3] = {points[edge[0]], points[edge[1]], points[edge[1]]};
        coverTriangle(segment, margin, width, height, bitmap);
    }
    // Crossings of every edge with the centre line of each row it spans, bucketed by row.
    auto rowsOf = [&](const Point& a, const Point& b, long& first, long& last) {
        const double low = std::min(a.y, b.y), high = std::max(a.y, b.y);
        first = std::max(0L, static_cast<long>(std::ceil(low - 0.5)));
        last = std::min(static_cast<long>(height) - 1, static_cast<long>(std::ceil(high - 0.5)) - 1);
    };
    rowStart_.assign(height + 1, 0);
    for (const auto& edge : chain) {
        long first, last;
        rowsOf(points[edge[0]], points[edge[1]], first, last);
        for (long row = first; row <= last; ++row)
            ++rowStart_[row + 1];
    }
    for (size_t row = 0; row < height; ++row)
        rowStart_[row + 1] += rowStart_[row];
    crossings_.resize(rowStart_[height]);
    std::vector<uint32_t>& fill = rowStart_; // advanced while filling, restored below
    for (const auto& edge : chain) {
        const Point &a = points[edge[0]], &b = points[edge[1]];
        long first, last;
        rowsOf(a, b, first, last);
        for (long row = first; row <= last; ++row) {
            const double y = row + 0.5;
            crossings_[fill[row]++] = {a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x), b.y > a.y ? 1 : -1};
        }
    }
    for (size_t row = height; row-- > 0;)
        fill[row + 1] = fill[row];
    fill[0] = 0;
    for (size_t row = 0; row < height; ++row) {
        const auto first = crossings_.begin() + rowStart_[row], last = crossings_.begin() + rowStart_[row + 1];
        std::sort(first, last, [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
        int winding = 0;
        for (auto c = first; c != last; ++c) {
            winding += c->direction;
            if (winding == 0 || c + 1 == last) continue;
            // Cells whose centres lie between this crossing and the next are inside.
            const long from = std::max(0L, static_cast<long>(std::ceil(c->x - 0.5)));
            const long to = std::min(static_cast<long>(width) - 1, static_cast<long>(std::floor((c + 1)->x - 0.5)));
            for (long column = from; column <= to; ++column)
                bitmap[row * width + column] = 1;
        }
    }
}

} // namespace Isochart
