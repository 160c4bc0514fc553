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

    // A band between radii `inner` and `outer` around `centre`, from angle `from` over
    // `sweep` in `segments` quads: a gently curved strip, or with a full sweep a ring.
    void addArcBand(Point2 centre, double inner, double outer, double from, double sweep, int segments) {
        const bool closed = sweep >= 6.283185307179586;
        const int columns = closed ? segments : segments + 1;
        const uint32_t first = static_cast<uint32_t>(uvs.size());
        for (int i = 0; i < columns; ++i) {
            const double angle = from + sweep * i / segments;
            addUV(centre.x + inner * std::cos(angle), centre.y + inner * std::sin(angle));
            addUV(centre.x + outer * std::cos(angle), centre.y + outer * std::sin(angle));
        }
        for (int i = 0; i < segments; ++i) {
            const uint32_t a = first + 2 * static_cast<uint32_t>(i),
                           b = first + 2 * static_cast<uint32_t>((i + 1) % columns);
            addTriangle(a, b, b + 1);
            addTriangle(a, b + 1, a + 1);
        }
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

namespace OmbrixVectorPacker::testing {

// Charts that strain the outlines: gently curved bands, rings with a hole, thin slivers,
// combs and square rings, most of ordinary size, some a thousand times smaller and some ten times larger,
// turned by random angles and overlapping in the input.
inline Layout stressLayout(unsigned seed, int chartCount) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Layout layout;
    for (int chart = 0; chart < chartCount; ++chart) {
        const int kind = static_cast<int>(random() % 10);
        const double size = kind == 0   ? 1e-3 * (0.5 + unit(random))
                            : kind == 1 ? 2.0 + 2.0 * unit(random)
                                        : 0.1 + 0.3 * unit(random);
        const Point2 origin{unit(random), unit(random)};
        const double angle = 6.283185307179586 * unit(random);
        switch (random() % 5) {
        case 0: {
            // Every other band short and so finely divided that its outline turns by less than
            // 0.005 rad from one edge to the next.
            const bool fine = chart % 2 == 0;
            const double sweep = fine ? 0.2 + 0.3 * unit(random) : 0.5 + 2.5 * unit(random);
            const int segments = fine ? static_cast<int>(sweep / 0.004) : 16 + static_cast<int>(random() % 48);
            layout.addArcBand(origin, size, size * (1.05 + 0.3 * unit(random)), angle, sweep, segments);
            break;
        }
        case 1:
            layout.addArcBand(origin, size * (0.3 + 0.5 * unit(random)), size, angle, 6.283185307179586,
                              12 + static_cast<int>(random() % 40));
            break;
        case 2: {
            const double thin = size * (0.002 + 0.02 * unit(random));
            const uint32_t a = layout.addUV(origin.x, origin.y);
            const uint32_t b = layout.addUV(origin.x + size * std::cos(angle), origin.y + size * std::sin(angle));
            const uint32_t c = layout.addUV(origin.x + 0.5 * size * std::cos(angle) - thin * std::sin(angle),
                                            origin.y + 0.5 * size * std::sin(angle) + thin * std::cos(angle));
            layout.addTriangle(a, b, c);
            break;
        }
        case 3:
            layout.addGrid(1 + static_cast<int>(random() % 5), 1 + static_cast<int>(random() % 4), size / 3, origin,
                           angle, [](int i, int j) { return j == 0 || i % 2 == 0; });
            break;
        default:
            layout.addGrid(3, 3, size / 3, origin, angle, [](int i, int j) { return !(i == 1 && j == 1); });
        }
    }
    layout.linkSharedEdges();
    return layout;
}

} // namespace OmbrixVectorPacker::testing
