#include "FreeTexels.h"

#include <algorithm>
#include <cmath>

namespace {

struct Corner {
    double x, y;
};

constexpr int32_t Empty = -1;

// Whether the open texel [column, column + 1] x [row, row + 1] meets the closed triangle: no
// axis of the texel or of the triangle's edges separates them.
bool texelMeetsTriangle(int column, int row, const Corner (&t)[3]) {
    const double lowX = column, highX = column + 1.0, lowY = row, highY = row + 1.0;
    const auto [minX, maxX] = std::minmax({t[0].x, t[1].x, t[2].x});
    const auto [minY, maxY] = std::minmax({t[0].y, t[1].y, t[2].y});
    if (maxX <= lowX || minX >= highX || maxY <= lowY || minY >= highY) return false;
    const Corner box[4] = {{lowX, lowY}, {highX, lowY}, {highX, highY}, {lowX, highY}};
    for (int edge = 0; edge < 3; ++edge) {
        const Corner a = t[edge], b = t[(edge + 1) % 3], c = t[(edge + 2) % 3];
        const auto side = [&](Corner p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
        const double inward = side(c);
        if (inward == 0.0) continue;
        const bool separates = std::all_of(std::begin(box), std::end(box), [&](Corner p) {
            return inward > 0 ? side(p) <= 0.0 : side(p) >= 0.0;
        });
        if (separates) return false;
    }
    return true;
}

} // namespace

double fewestFreeTexels(const std::vector<float>& uvs, const std::vector<uint32_t>& uvIndices,
                        const std::vector<uint32_t>& chartOfTriangle, int width, int height, int reach) {
    std::vector<int32_t> owner(static_cast<size_t>(width) * height, Empty);
    for (size_t triangle = 0; triangle < chartOfTriangle.size(); ++triangle) {
        Corner t[3];
        for (int corner = 0; corner < 3; ++corner) {
            const float* uv = &uvs[3 * size_t{uvIndices[3 * triangle + corner]}];
            t[corner] = {uv[0] * double(width), uv[1] * double(height)};
        }
        const int lowColumn = std::max(0, int(std::floor(std::min({t[0].x, t[1].x, t[2].x}))));
        const int highColumn = std::min(width - 1, int(std::floor(std::max({t[0].x, t[1].x, t[2].x}))));
        const int lowRow = std::max(0, int(std::floor(std::min({t[0].y, t[1].y, t[2].y}))));
        const int highRow = std::min(height - 1, int(std::floor(std::max({t[0].y, t[1].y, t[2].y}))));
        const auto chart = static_cast<int32_t>(chartOfTriangle[triangle]);
        for (int row = lowRow; row <= highRow; ++row)
            for (int column = lowColumn; column <= highColumn; ++column) {
                if (!texelMeetsTriangle(column, row, t)) continue;
                int32_t& cell = owner[size_t(row) * width + column];
                if (cell != Empty && cell != chart) return 0.0;
                cell = chart;
            }
    }
    double fewest = reach;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const int32_t chart = owner[size_t(row) * width + column];
            if (chart == Empty) continue;
            for (int y = std::max(0, row - reach); y <= std::min(height - 1, row + reach); ++y)
                for (int x = std::max(0, column - reach); x <= std::min(width - 1, column + reach); ++x) {
                    const int32_t other = owner[size_t(y) * width + x];
                    if (other != Empty && other != chart)
                        fewest = std::min(fewest, std::hypot(double(x - column), double(y - row)) - 1.0);
                }
        }
    return fewest;
}
