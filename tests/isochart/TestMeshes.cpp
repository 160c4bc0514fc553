#include "TestMeshes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

uint32_t TestMesh::addVertex(double x, double y, double z) {
    positions.insert(positions.end(), {float(x), float(y), float(z)});
    return uint32_t(positions.size() / 3 - 1);
}

void TestMesh::addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
    diagonals_.emplace_back(std::min(a, c), std::max(a, c));
}

void TestMesh::addPolygon(const std::vector<uint32_t>& corners) {
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        addTriangle(corners[0], corners[i], corners[i + 1]);
        if (i > 1) diagonals_.emplace_back(std::min(corners[0], corners[i]), std::max(corners[0], corners[i]));
    }
}

void TestMesh::link() {
    const size_t count = triangleCount();
    adjacency.assign(3 * count, 0xFFFFFFFFu);
    falseEdges.assign(3 * count, 0xFFFFFFFFu);
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> open; // directed edge -> corner
    for (uint32_t c = 0; c < 3 * count; ++c) {
        const uint32_t from = indices[c], to = indices[c - c % 3 + (c + 1) % 3];
        if (from == to) continue;
        const auto twin = open.find({to, from});
        if (twin != open.end()) {
            adjacency[c] = twin->second / 3;
            adjacency[twin->second] = c / 3;
            const bool diagonal = std::find(diagonals_.begin(), diagonals_.end(),
                                            std::make_pair(std::min(from, to), std::max(from, to))) != diagonals_.end();
            if (diagonal) {
                falseEdges[c] = twin->second / 3;
                falseEdges[twin->second] = c / 3;
            }
            open.erase(twin);
        } else {
            open.emplace(std::make_pair(from, to), c);
        }
    }
}

void TestMesh::append(const TestMesh& other, double dx, double dy, double dz) {
    const uint32_t base = uint32_t(positions.size() / 3);
    for (size_t v = 0; v < other.positions.size(); v += 3)
        addVertex(other.positions[v] + dx, other.positions[v + 1] + dy, other.positions[v + 2] + dz);
    for (uint32_t index : other.indices)
        indices.push_back(index + base);
    for (const auto& [a, b] : other.diagonals_)
        diagonals_.emplace_back(a + base, b + base);
}

namespace {

// A grid of vertices wrapped by `point(i, j)`, with rows 0..rings and columns 0..segments;
// the last column joins the first when `closedAround`.
template <class Point>
TestMesh wrappedGrid(int rings, int segments, bool closedAround, Point point) {
    TestMesh mesh;
    const int columns = closedAround ? segments : segments + 1;
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j < columns; ++j) {
            const auto p = point(i, j);
            mesh.addVertex(p[0], p[1], p[2]);
        }
    auto at = [&](int i, int j) { return uint32_t(i * columns + (j % columns)); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            mesh.addQuad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
    return mesh;
}

} // namespace

TestMesh makeCube(int n) {
    TestMesh mesh;
    // Each face: origin and two edge directions, chosen so the normal points outwards.
    const double faces[6][9] = {
        {0, 0, 0, 0, 1, 0, 1, 0, 0}, {0, 0, 1, 1, 0, 0, 0, 1, 0}, {0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0, 1, 0, 0, 0, 1, 1, 0, 0}, {0, 0, 0, 0, 0, 1, 0, 1, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1},
    };
    std::map<std::array<int, 3>, uint32_t> shared;
    for (const auto& f : faces) {
        std::vector<uint32_t> grid;
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                double p[3];
                std::array<int, 3> key;
                for (int a = 0; a < 3; ++a) {
                    p[a] = f[a] + f[3 + a] * i / n + f[6 + a] * j / n;
                    key[a] = int(std::lround(p[a] * n));
                }
                const auto found = shared.find(key);
                grid.push_back(found != shared.end() ? found->second : shared[key] = mesh.addVertex(p[0], p[1], p[2]));
            }
        auto at = [&](int i, int j) { return grid[size_t(i) * (n + 1) + j]; };
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                mesh.addQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    }
    mesh.link();
    return mesh;
}

TestMesh makeSphere(int rings, int segments) {
    TestMesh mesh;
    const double pi = std::numbers::pi;
    const uint32_t south = mesh.addVertex(0, 0, -1);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double theta = pi * i / rings - pi / 2, phi = 2 * pi * j / segments;
            mesh.addVertex(std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi), std::sin(theta));
        }
    const uint32_t north = mesh.addVertex(0, 0, 1);
    auto at = [&](int i, int j) { return uint32_t(1 + (i - 1) * segments + (j % segments)); };
    for (int j = 0; j < segments; ++j) {
        mesh.addTriangle(south, at(1, j + 1), at(1, j));
        mesh.addTriangle(north, at(rings - 1, j), at(rings - 1, j + 1));
    }
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j)
            mesh.addQuad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
    mesh.link();
    return mesh;
}

TestMesh makeCylinder(int rings, int segments, double height) {
    const double pi = std::numbers::pi;
    TestMesh mesh = wrappedGrid(rings, segments, true, [&](int i, int j) {
        const double phi = 2 * pi * j / segments;
        return std::array<double, 3>{std::cos(phi), std::sin(phi), height * i / rings};
    });
    mesh.link();
    return mesh;
}

TestMesh makeCone(int rings, int segments) {
    const double pi = std::numbers::pi;
    TestMesh mesh = wrappedGrid(rings, segments, true, [&](int i, int j) {
        const double phi = 2 * pi * j / segments, radius = 1.0 - 0.9 * i / rings;
        return std::array<double, 3>{radius * std::cos(phi), radius * std::sin(phi), 0.9 * i / rings};
    });
    mesh.link();
    return mesh;
}

TestMesh makeTorus(int rings, int segments) {
    const double pi = std::numbers::pi;
    TestMesh mesh;
    auto at = [&](int i, int j) { return uint32_t((i % rings) * segments + (j % segments)); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double u = 2 * pi * i / rings, v = 2 * pi * j / segments, r = 1.0 + 0.35 * std::cos(v);
            mesh.addVertex(r * std::cos(u), r * std::sin(u), 0.35 * std::sin(v));
        }
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            mesh.addQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    mesh.link();
    return mesh;
}

TestMesh makeGrid(int w, int h, double spacingX, double spacingY, double bend) {
    TestMesh mesh = wrappedGrid(h, w, false, [&](int i, int j) {
        const double x = j * spacingX, y = i * spacingY;
        if (bend == 0.0) return std::array<double, 3>{x, y, 0.0};
        const double radius = w * spacingX / bend, angle = x / radius;
        return std::array<double, 3>{radius * std::sin(angle), y, radius * (1.0 - std::cos(angle))};
    });
    mesh.link();
    return mesh;
}
