#pragma once

#include "isochart/ChartPartition.h"

#include <cstdint>
#include <vector>

// Small meshes made in code for the chart engine's tests, with their adjacency.
struct TestMesh {
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> adjacency;
    std::vector<uint32_t> falseEdges;

    uint32_t addVertex(double x, double y, double z);
    void addTriangle(uint32_t a, uint32_t b, uint32_t c) { indices.insert(indices.end(), {a, b, c}); }
    // Two triangles; the diagonal a-c becomes a false edge after link().
    void addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    // A polygon as the fan from its first corner; the fan's inner edges become false edges.
    void addPolygon(const std::vector<uint32_t>& corners);
    // Fills adjacency by matching opposite half-edges (first come, first linked).
    void link();
    void append(const TestMesh& other, double dx, double dy, double dz);
    size_t triangleCount() const { return indices.size() / 3; }
    Isochart::MeshView view() const { return {positions, indices, adjacency, falseEdges}; }

private:
    std::vector<std::pair<uint32_t, uint32_t>> diagonals_;
};

// A closed cube of side 1, each face a grid of n x n quads.
TestMesh makeCube(int n);
// A closed sphere of radius 1: `rings` latitude bands, `segments` longitude steps.
TestMesh makeSphere(int rings, int segments);
// An open tube of radius 1 and the given height.
TestMesh makeCylinder(int rings, int segments, double height);
// An open cone (no base) of radius 1 and height 1.
TestMesh makeCone(int rings, int segments);
// A closed torus with radii 1 and 0.35.
TestMesh makeTorus(int rings, int segments);
// A flat grid of w x h unit-spaced quads, optionally bent along x by `bend` radians in total.
TestMesh makeGrid(int w, int h, double spacingX, double spacingY, double bend = 0.0);
