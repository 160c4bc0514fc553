#pragma once

#include "packer/Geometry.h"
#include "packer/PackRecords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace OmbrixVectorPacker::testing {

constexpr uint32_t kNil = 0xFFFFFFFFu;

// A UV layout: UVs, three UV numbers per triangle and the adjacency across shared UV edges.
struct Layout {
    std::vector<Point2> uvs;
    std::vector<uint32_t> triangles;
    std::vector<uint32_t> adjacency;

    // Links every pair of triangles that share a UV edge (two triangles per edge at most).
    void linkSharedEdges() {
        adjacency.assign(triangles.size(), kNil);
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> firstCorner;
        for (uint32_t corner = 0; corner < triangles.size(); ++corner) {
            const uint32_t t = corner / 3;
            const uint32_t a = triangles[corner], b = triangles[3 * t + (corner % 3 + 1) % 3];
            const auto key = std::minmax(a, b);
            const auto [it, added] = firstCorner.emplace(key, corner);
            if (added) continue;
            adjacency[corner] = it->second / 3;
            adjacency[it->second] = t;
        }
    }

    uint32_t addUV(double u, double v) {
        uvs.push_back({u, v});
        return static_cast<uint32_t>(uvs.size() - 1);
    }

    void addTriangle(uint32_t a, uint32_t b, uint32_t c) { triangles.insert(triangles.end(), {a, b, c}); }

    // A grid of `columns` x `rows` cells of the given size at `origin`, turned by `angle`,
    // two triangles per cell; cells for which `keep` is false are left out.
    template <typename Keep>
    void addGrid(int columns, int rows, double cell, Point2 origin, double angle, Keep keep) {
        const uint32_t first = static_cast<uint32_t>(uvs.size());
        const double c = std::cos(angle), s = std::sin(angle);
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= columns; ++i)
                addUV(origin.x + (i * c - j * s) * cell, origin.y + (i * s + j * c) * cell);
        auto at = [&](int i, int j) { return first + static_cast<uint32_t>(j * (columns + 1) + i); };
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < columns; ++i) {
                if (!keep(i, j)) continue;
                addTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
                addTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
            }
        }
    }

    void addGrid(int columns, int rows, double cell, Point2 origin = {0.0, 0.0}, double angle = 0.0) {
        addGrid(columns, rows, cell, origin, angle, [](int, int) { return true; });
    }
};

// Charts of mixed shapes and sizes: full grids, rings, L shapes and single triangles,
// turned by random angles and scattered so that they overlap in the input.
inline Layout randomLayout(unsigned seed, int chartCount) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Layout layout;
    for (int chart = 0; chart < chartCount; ++chart) {
        const double cell = 0.02 + 0.2 * unit(random) * unit(random);
        const Point2 origin{unit(random), unit(random)};
        const double angle = 6.283185307179586 * unit(random);
        const int shape = static_cast<int>(random() % 4);
        const int columns = 1 + static_cast<int>(random() % 5), rows = 1 + static_cast<int>(random() % 5);
        switch (shape) {
        case 0:
            layout.addGrid(columns, rows, cell, origin, angle);
            break;
        case 1:
            layout.addGrid(3 + columns % 3, 3 + rows % 3, cell, origin, angle,
                           [&](int i, int j) { return i == 0 || j == 0 || i == 2 + columns % 3 || j == 2 + rows % 3; });
            break;
        case 2:
            layout.addGrid(columns + 1, rows + 1, cell, origin, angle, [](int i, int j) { return i == 0 || j == 0; });
            break;
        default: {
            const uint32_t a = layout.addUV(origin.x, origin.y);
            const uint32_t b =
                layout.addUV(origin.x + cell * 3.0 * std::cos(angle), origin.y + cell * 3.0 * std::sin(angle));
            const uint32_t c = layout.addUV(origin.x - cell * std::sin(angle), origin.y + cell * std::cos(angle));
            layout.addTriangle(a, b, c);
        }
        }
    }
    layout.linkSharedEdges();
    return layout;
}

} // namespace OmbrixVectorPacker::testing
