#include "isochart/ChartFlattening.h"

#include "isochart/ChartOverlap.h"
#include "isochart/ChartStretch.h"
#include "isochart/ParallelFor.h"

#include <Eigen/LU>
#include <Eigen/OrderingMethods>
#include <Eigen/SVD>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace Isochart {

namespace {

using SparseMatrix = Eigen::SparseMatrix<double>;
using Triplet = Eigen::Triplet<double>;

constexpr int kRigidSteps = 12;
constexpr int kStepsBeforeGivingUp = 3;
// Above this many triangles the conformal start costs more than it gives: Tutte's embedding
// starts the rigid steps instead.
constexpr size_t kLargestConformalStart = 10000;
constexpr double kStartSlack = 4.0;
// A large chart's start from its parent's image that is this much further gone has not
// been seen to come back within the limit: relaxing it would only cost a factorisation.
constexpr double kParentStartSlack = 40.0;
// Cotangent weights are clamped to this, keeping Tutte's embedding free of flips.
constexpr double kLeastWeight = 1e-3;
constexpr double kInfinite = std::numeric_limits<double>::infinity();
// Charts with this many vertices solve the two coordinates of a rigid step on two threads.
constexpr size_t kLeastVerticesSolvedApart = 4000;

// Two chart vertices far apart in space, to pin the conformal map's similarity freedom.
std::array<uint32_t, 2> farPair(const SurfaceMesh& surface, const ChartMesh& chart) {
    auto farthestFrom = [&](uint32_t from) {
        const Eigen::Vector3d origin = surface.positions[chart.vertexSource[from]];
        uint32_t best = from;
        double bestDistance = -1.0;
        for (uint32_t v = 0; v < chart.vertexCount(); ++v) {
            const double d = (surface.positions[chart.vertexSource[v]] - origin).squaredNorm();
            if (d > bestDistance) {
                bestDistance = d;
                best = v;
            }
        }
        return best;
    };
    const uint32_t a = farthestFrom(0);
    return {a, farthestFrom(a)};
}

// Minimises the least squares conformal energy with two vertices pinned. The normal
// equations are assembled directly, u and v of a vertex side by side, so the factorisation
// sees the mesh's own sparsity.
bool conformalMap(const SurfaceMesh& surface, const ChartMesh& chart, std::vector<Eigen::Vector2d>& uv) {
    const size_t vertexCount = chart.vertexCount();
    const auto pins = farPair(surface, chart);
    if (pins[0] == pins[1]) return false;
    const double span =
        (surface.positions[chart.vertexSource[pins[0]]] - surface.positions[chart.vertexSource[pins[1]]]).norm();
    std::vector<int> unknown(vertexCount, -1);
    int freeCount = 0;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (v != pins[0] && v != pins[1]) unknown[v] = freeCount++;
    uv.assign(vertexCount, Eigen::Vector2d::Zero());
    uv[pins[1]] = Eigen::Vector2d(span, 0.0);
    if (freeCount == 0) return true;

    std::vector<Triplet> entries;
    entries.reserve(chart.triangleCount() * 36);
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(2 * freeCount);
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        Eigen::Vector2d z[3], w[3];
        flatCorners(surface, chart.triangles[t], z);
        const double weight = 1.0 / std::sqrt(std::abs(doubleSignedArea(z[0], z[1], z[2])));
        for (int j = 0; j < 3; ++j)
            w[j] = (z[(j + 2) % 3] - z[(j + 1) % 3]) * weight;
        for (int j = 0; j < 3; ++j) {
            const int row = unknown[chart.corners[t][j]];
            if (row < 0) continue;
            for (int k = 0; k < 3; ++k) {
                // The 2x2 block coupling (u_j, v_j) with (u_k, v_k).
                const double same = w[j].x() * w[k].x() + w[j].y() * w[k].y();
                const double cross = w[j].y() * w[k].x() - w[j].x() * w[k].y();
                const uint32_t v = chart.corners[t][k];
                const int column = unknown[v];
                if (column >= 0) {
                    entries.emplace_back(2 * row, 2 * column, same);
                    entries.emplace_back(2 * row, 2 * column + 1, cross);
                    entries.emplace_back(2 * row + 1, 2 * column, -cross);
                    entries.emplace_back(2 * row + 1, 2 * column + 1, same);
                } else {
                    rhs[2 * row] -= same * uv[v].x() + cross * uv[v].y();
                    rhs[2 * row + 1] -= -cross * uv[v].x() + same * uv[v].y();
                }
            }
        }
    }
    SparseMatrix normal(2 * freeCount, 2 * freeCount);
    normal.setFromTriplets(entries.begin(), entries.end());
    // Order by vertices (the u, v pair of each vertex stays together): minimum degree on the
    // interleaved matrix itself fills in far more.
    SparseMatrix pattern(freeCount, freeCount);
    std::vector<Triplet> vertexEntries;
    vertexEntries.reserve(entries.size() / 4);
    for (const Triplet& entry : entries)
        if (entry.row() % 2 == 0 && entry.col() % 2 == 0)
            vertexEntries.emplace_back(entry.row() / 2, entry.col() / 2, 1.0);
    pattern.setFromTriplets(vertexEntries.begin(), vertexEntries.end());
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> vertexOrder, order(2 * freeCount);
    Eigen::AMDOrdering<int>()(pattern, vertexOrder);
    for (int i = 0; i < freeCount; ++i) {
        order.indices()[2 * i] = 2 * vertexOrder.indices()[i];
        order.indices()[2 * i + 1] = 2 * vertexOrder.indices()[i] + 1;
    }
    // `order` maps new positions to old ones, as the solver's own orderings do.
    const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> forward = order.inverse();
    SparseMatrix ordered(2 * freeCount, 2 * freeCount);
    ordered.selfadjointView<Eigen::Lower>() = normal.selfadjointView<Eigen::Lower>().twistedBy(forward);
    Eigen::SimplicialLDLT<SparseMatrix, Eigen::Lower, Eigen::NaturalOrdering<int>> solver(ordered);
    if (solver.info() != Eigen::Success) return false;
    const Eigen::VectorXd permutedRhs = forward * rhs;
    const Eigen::VectorXd permuted = solver.solve(permutedRhs);
    const Eigen::VectorXd solution = order * permuted;
    if (solver.info() != Eigen::Success || !solution.allFinite()) return false;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (unknown[v] >= 0) uv[v] = Eigen::Vector2d(solution[2 * unknown[v]], solution[2 * unknown[v] + 1]);
    return true;
}

// Tutte's embedding (Floater 1997) with the border on a circle, spaced by arc length,
// and clamped cotangent weights: every weight is positive, so no triangle flips. Cheaper
// than the conformal map on large charts; false when the border is not one loop.
bool convexMap(const SurfaceMesh& surface, const ChartMesh& chart, std::vector<Eigen::Vector2d>& uv) {
    const size_t vertexCount = chart.vertexCount();
    std::vector<uint32_t> next(vertexCount, kNil);
    std::vector<double> length(vertexCount, 0.0);
    uint32_t first = kNil;
    size_t borderEdges = 0;
    for (uint32_t t = 0; t < chart.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            if (chart.links[t][k] == kNil) {
                const uint32_t from = chart.corners[t][k];
                if (next[from] != kNil) return false;
                next[from] = chart.corners[t][(k + 1) % 3];
                length[from] =
                    (surface.corner(chart.triangles[t], (k + 1) % 3) - surface.corner(chart.triangles[t], k)).norm();
                first = from;
                ++borderEdges;
            }
    if (first == kNil) return false;
    double perimeter = 0.0;
    size_t loop = 0;
    for (uint32_t v = first; loop == 0 || v != first; v = next[v]) {
        if (next[v] == kNil || ++loop > borderEdges) return false;
        perimeter += length[v];
    }
    if (loop != borderEdges || !(perimeter > 0.0)) return false;
    uv.assign(vertexCount, Eigen::Vector2d::Zero());
    const double radius = perimeter / (2.0 * std::numbers::pi);
    double walked = 0.0;
    for (uint32_t v = first; walked == 0.0 || v != first; v = next[v]) {
        const double angle = 2.0 * std::numbers::pi * walked / perimeter;
        uv[v] = radius * Eigen::Vector2d(std::cos(angle), std::sin(angle));
        walked += length[v];
    }

    std::vector<int> unknown(vertexCount, -1);
    int freeCount = 0;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (next[v] == kNil) unknown[v] = freeCount++;
    if (freeCount == 0) return true;
    std::vector<Triplet> entries;
    entries.reserve(chart.triangleCount() * 9);
    Eigen::MatrixX2d rhs = Eigen::MatrixX2d::Zero(freeCount, 2);
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        Eigen::Vector2d z[3];
        flatCorners(surface, chart.triangles[t], z);
        const double doubleArea = doubleSignedArea(z[0], z[1], z[2]);
        for (int k = 0; k < 3; ++k) {
            const Eigen::Vector2d a = z[(k + 1) % 3] - z[k], b = z[(k + 2) % 3] - z[k];
            const double w = std::max(0.5 * a.dot(b) / doubleArea, kLeastWeight);
            const uint32_t p = chart.corners[t][(k + 1) % 3], q = chart.corners[t][(k + 2) % 3];
            for (const auto& [i, j] : {std::pair{p, q}, std::pair{q, p}}) {
                if (unknown[i] < 0) continue;
                entries.emplace_back(unknown[i], unknown[i], w);
                if (unknown[j] < 0)
                    rhs.row(unknown[i]) += w * uv[j].transpose();
                else if (unknown[j] < unknown[i]) // the solver reads the lower triangle alone
                    entries.emplace_back(unknown[i], unknown[j], -w);
            }
        }
    }
    SparseMatrix laplacian(freeCount, freeCount);
    laplacian.setFromTriplets(entries.begin(), entries.end());
    Eigen::SimplicialLDLT<SparseMatrix> solver(laplacian);
    if (solver.info() != Eigen::Success) return false;
    const Eigen::MatrixX2d solution = solver.solve(rhs);
    if (solver.info() != Eigen::Success || !solution.allFinite()) return false;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (unknown[v] >= 0) uv[v] = solution.row(unknown[v]).transpose();
    return true;
}

// Lays the triangles out one after another across the links, each in its own true shape.
// When every vertex lies on the border of a disk chart its triangles form a tree over the
// links, so every vertex is placed once and the image is exact: no stretch at all.
bool unfoldAlongLinks(const SurfaceMesh& surface, const ChartMesh& chart, std::vector<Eigen::Vector2d>& uv) {
    if (!chart.isDisk() || std::find(chart.onBorder.begin(), chart.onBorder.end(), 0) != chart.onBorder.end())
        return false;
    uv.assign(chart.vertexCount(), Eigen::Vector2d::Zero());
    std::vector<uint8_t> laid(chart.triangleCount(), 0);
    std::vector<uint32_t> queue{0};
    Eigen::Vector2d z[3];
    flatCorners(surface, chart.triangles[0], z);
    for (int k = 0; k < 3; ++k)
        uv[chart.corners[0][k]] = z[k];
    laid[0] = 1;
    for (size_t next = 0; next < queue.size(); ++next) {
        const uint32_t t = queue[next];
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = chart.links[t][k];
            if (other == kNil || laid[other]) continue;
            laid[other] = 1;
            queue.push_back(other);
            // The other triangle runs the shared edge the other way: from b to a.
            const uint32_t a = chart.corners[t][k], b = chart.corners[t][(k + 1) % 3];
            int j = 0;
            while (j < 3 && chart.corners[other][j] != b)
                ++j;
            if (j == 3 || chart.corners[other][(j + 1) % 3] != a) return false;
            flatCorners(surface, chart.triangles[other], z);
            // The rotation taking the triangle's own edge onto the edge already laid out.
            const Eigen::Vector2d own = z[(j + 1) % 3] - z[j], laidEdge = uv[a] - uv[b];
            const double length = own.squaredNorm();
            if (!(length > 0.0)) return false;
            const double c = own.dot(laidEdge) / length, s = (own.x() * laidEdge.y() - own.y() * laidEdge.x()) / length;
            const Eigen::Vector2d offset = z[(j + 2) % 3] - z[j];
            uv[chart.corners[other][(j + 2) % 3]] =
                uv[b] + Eigen::Vector2d(c * offset.x() - s * offset.y(), s * offset.x() + c * offset.y());
        }
    }
    return queue.size() == chart.triangleCount();
}

// The as-rigid-as-possible energy's constant part: cotangent weights per triangle edge
// and the factorised Laplacian with one vertex held in place.
struct RigidSystem {
    std::vector<std::array<double, 3>> edgeWeight; // edge opposite corner k
    std::vector<std::array<Eigen::Vector2d, 3>> rest;
    std::vector<int> unknown;
    Eigen::SimplicialLDLT<SparseMatrix> solver;
};

bool prepareRigidSystem(const SurfaceMesh& surface, const ChartMesh& chart, uint32_t held, RigidSystem& rigid) {
    const size_t vertexCount = chart.vertexCount();
    rigid.unknown.assign(vertexCount, -1);
    int freeCount = 0;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (v != held) rigid.unknown[v] = freeCount++;
    rigid.edgeWeight.resize(chart.triangleCount());
    rigid.rest.resize(chart.triangleCount());
    std::vector<Triplet> entries;
    entries.reserve(chart.triangleCount() * 9);
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        Eigen::Vector2d z[3];
        flatCorners(surface, chart.triangles[t], z);
        const double doubleArea = doubleSignedArea(z[0], z[1], z[2]);
        for (int k = 0; k < 3; ++k) {
            rigid.rest[t][k] = z[k];
            const Eigen::Vector2d a = z[(k + 1) % 3] - z[k], b = z[(k + 2) % 3] - z[k];
            rigid.edgeWeight[t][k] = 0.5 * a.dot(b) / doubleArea;
        }
        for (int k = 0; k < 3; ++k) {
            const double w = rigid.edgeWeight[t][k];
            const int i = rigid.unknown[chart.corners[t][(k + 1) % 3]],
                      j = rigid.unknown[chart.corners[t][(k + 2) % 3]];
            if (i >= 0) entries.emplace_back(i, i, w);
            if (j >= 0) entries.emplace_back(j, j, w);
            // The solver reads the lower triangle alone.
            if (i >= 0 && j >= 0) entries.emplace_back(std::max(i, j), std::min(i, j), -w);
        }
    }
    SparseMatrix laplacian(freeCount, freeCount);
    laplacian.setFromTriplets(entries.begin(), entries.end());
    rigid.solver.compute(laplacian);
    return rigid.solver.info() == Eigen::Success;
}

// The rotation R maximising trace(R^T J): the rotation part of J's polar decomposition.
Eigen::Matrix2d closestRotation(const Eigen::Matrix2d& jacobian) {
    const double c = jacobian(0, 0) + jacobian(1, 1), s = jacobian(1, 0) - jacobian(0, 1);
    const double length = std::sqrt(c * c + s * s);
    Eigen::Matrix2d rotation = Eigen::Matrix2d::Identity();
    if (length > 0.0) rotation << c / length, -s / length, s / length, c / length;
    return rotation;
}

void rigidStep(const ChartMesh& chart, RigidSystem& rigid, std::vector<Eigen::Vector2d>& uv, Eigen::MatrixX2d& rhs) {
    rhs.setZero();
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        const auto& c = chart.corners[t];
        const auto& z = rigid.rest[t];
        Eigen::Matrix2d restEdges, flatEdges;
        restEdges << z[1] - z[0], z[2] - z[0];
        flatEdges << uv[c[1]] - uv[c[0]], uv[c[2]] - uv[c[0]];
        const Eigen::Matrix2d rotation = closestRotation(flatEdges * restEdges.inverse());
        for (int k = 0; k < 3; ++k) {
            const int a = (k + 1) % 3, b = (k + 2) % 3;
            const Eigen::Vector2d target = rigid.edgeWeight[t][k] * (rotation * (z[a] - z[b]));
            const int i = rigid.unknown[c[a]], j = rigid.unknown[c[b]];
            if (i >= 0)
                rhs.row(i) += target.transpose();
            else
                rhs.row(j) += rigid.edgeWeight[t][k] * uv[c[a]].transpose();
            if (j >= 0)
                rhs.row(j) -= target.transpose();
            else
                rhs.row(i) += rigid.edgeWeight[t][k] * uv[c[b]].transpose();
        }
    }
    // On large charts u and v are solved on two threads: each column is solved on its own
    // either way, so the result is the same.
    Eigen::MatrixX2d solution(rhs.rows(), 2);
    if (chart.vertexCount() >= kLeastVerticesSolvedApart)
        parallelFor(2, workerCount(),
                    [&](size_t column, size_t) { solution.col(column) = rigid.solver.solve(rhs.col(column)); });
    else
        solution = rigid.solver.solve(rhs);
    for (uint32_t v = 0; v < chart.vertexCount(); ++v)
        if (rigid.unknown[v] >= 0) uv[v] = solution.row(rigid.unknown[v]).transpose();
}

// As-rigid-as-possible steps from `uv` (whose sigma^2 is `best`), keeping the best flip-free
// image; stops when steps no longer help or the chart is clearly beyond `hopelessStretch`.
double relaxRigidly(const SurfaceMesh& surface, const ChartMesh& chart, RigidSystem& rigid, double best,
                    double hopelessStretch, std::vector<Eigen::Vector2d>& uv) {
    std::vector<Eigen::Vector2d> current = uv;
    Eigen::MatrixX2d rhs(rigid.solver.rows(), 2);
    for (int step = 0; step < kRigidSteps; ++step) {
        rigidStep(chart, rigid, current, rhs);
        if (rigid.solver.info() != Eigen::Success) break;
        const double stretch = chartStretchSquared(surface, chart, current);
        if (stretch == kInfinite && best == kInfinite) continue;
        if (!(stretch < best)) break;
        const bool settled = best - stretch < 1e-4 * stretch;
        best = stretch;
        uv = current;
        if (settled || (step >= kStepsBeforeGivingUp && best > hopelessStretch)) break;
    }
    return best;
}

} // namespace

void flatCorners(const SurfaceMesh& surface, uint32_t triangle, Eigen::Vector2d corners[3]) {
    const Eigen::Vector3d a = surface.corner(triangle, 0);
    const Eigen::Vector3d e1 = surface.corner(triangle, 1) - a, e2 = surface.corner(triangle, 2) - a;
    const double length = e1.norm();
    const Eigen::Vector3d axis = e1 / length;
    corners[0] = Eigen::Vector2d::Zero();
    corners[1] = Eigen::Vector2d(length, 0.0);
    corners[2] = Eigen::Vector2d(e2.dot(axis), e2.cross(axis).norm());
}

double flattenChart(const SurfaceMesh& surface, const ChartMesh& chart, std::vector<Eigen::Vector2d>& uv,
                    const std::vector<Eigen::Vector2d>* start, double hopelessStretch) {
    if (unfoldAlongLinks(surface, chart, uv) && !hasSelfOverlap(chart, uv)) {
        const double exact = chartStretchSquared(surface, chart, uv);
        if (exact < kInfinite) return exact;
    }
    double best = kInfinite;
    // A lone triangle is flattened exactly by the conformal map; any start would only bend it.
    if (start && chart.vertexCount() > 3) {
        uv = *start;
        best = chartStretchSquared(surface, chart, uv);
        if (chart.triangleCount() > kLargestConformalStart && best < kInfinite &&
            best - 1.0 > kParentStartSlack * (hopelessStretch - 1.0))
            return best;
        RigidSystem rigid;
        if (prepareRigidSystem(surface, chart, farPair(surface, chart)[0], rigid))
            best = relaxRigidly(surface, chart, rigid, best, hopelessStretch, uv);
        if (best < kInfinite) return best;
    }
    const bool started = chart.triangleCount() > kLargestConformalStart
                             ? convexMap(surface, chart, uv) || conformalMap(surface, chart, uv)
                             : conformalMap(surface, chart, uv);
    if (!started) return kInfinite;
    best = chartStretchSquared(surface, chart, uv);
    if (best <= 1.0 + 1e-9 || chart.vertexCount() <= 3) return best;
    // A large chart whose start is this far gone will be split whatever the steps achieve;
    // its parts start from this image.
    if (chart.triangleCount() > kLargestConformalStart && best - 1.0 > kStartSlack * (hopelessStretch - 1.0))
        return best;
    RigidSystem rigid;
    if (!prepareRigidSystem(surface, chart, farPair(surface, chart)[0], rigid)) return best;
    return relaxRigidly(surface, chart, rigid, best, hopelessStretch, uv);
}

} // namespace Isochart
