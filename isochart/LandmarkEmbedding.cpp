#include "isochart/LandmarkEmbedding.h"

#include "isochart/ExactGeodesicDistance.h"
#include "isochart/GeodesicDistance.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace Isochart {

namespace {

uint32_t farthestFinite(const std::vector<double>& distance) {
    uint32_t best = 0;
    double bestDistance = -1.0;
    for (uint32_t v = 0; v < distance.size(); ++v)
        if (distance[v] < std::numeric_limits<double>::infinity() && distance[v] > bestDistance) {
            bestDistance = distance[v];
            best = v;
        }
    return best;
}

} // namespace

bool principalCoordinate(const SurfaceMesh& surface, const ChartMesh& chart, GeodesicMethod method,
                         size_t landmarkCount, std::vector<double>& coordinate) {
    const size_t vertexCount = chart.vertexCount();
    std::optional<GeodesicDist::CApproximateOneToAll> approximate;
    std::optional<GeodesicDist::CExactOneToAll> exact;
    if (method == GeodesicMethod::Exact)
        exact.emplace(surface, chart);
    else
        approximate.emplace(surface, chart);
    auto geodesicsFrom = [&](uint32_t source, std::vector<double>& distance) {
        if (exact)
            exact->compute(source, distance);
        else
            approximate->compute(source, distance);
    };
    // The first landmark: the vertex farthest in space from an arbitrary one, near an end.
    std::vector<double> distance(vertexCount);
    for (uint32_t v = 0; v < vertexCount; ++v)
        distance[v] =
            (surface.positions[chart.vertexSource[v]] - surface.positions[chart.vertexSource[0]]).squaredNorm();

    // Squared distances from each landmark to every vertex, landmarks farthest point first.
    std::vector<std::vector<double>> squared;
    std::vector<uint32_t> landmarks;
    std::vector<double> nearest(vertexCount, std::numeric_limits<double>::infinity());
    uint32_t next = farthestFinite(distance);
    while (landmarks.size() < landmarkCount) {
        landmarks.push_back(next);
        geodesicsFrom(next, distance);
        for (uint32_t v = 0; v < vertexCount; ++v) {
            nearest[v] = std::min(nearest[v], distance[v]);
            if (!(distance[v] < std::numeric_limits<double>::infinity())) return false;
            distance[v] *= distance[v];
        }
        squared.push_back(distance);
        next = farthestFinite(nearest);
        if (!(nearest[next] > 0.0)) break;
    }
    const Eigen::Index count = Eigen::Index(landmarks.size());
    if (count < 2) return false;

    // Classical MDS of the landmarks: double centring of the squared distance matrix.
    Eigen::MatrixXd inner(count, count);
    for (Eigen::Index i = 0; i < count; ++i)
        for (Eigen::Index j = 0; j < count; ++j)
            inner(i, j) = 0.5 * (squared[i][landmarks[j]] + squared[j][landmarks[i]]);
    const Eigen::VectorXd mean = inner.rowwise().mean();
    const Eigen::MatrixXd centring =
        Eigen::MatrixXd::Identity(count, count) - Eigen::MatrixXd::Constant(count, count, 1.0 / double(count));
    const Eigen::MatrixXd gram = -0.5 * centring * inner * centring;
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(gram);
    if (solver.info() != Eigen::Success) return false;
    const double largest = solver.eigenvalues()(count - 1);
    if (!(largest > 0.0)) return false;
    const Eigen::VectorXd axis = solver.eigenvectors().col(count - 1) / std::sqrt(largest);

    // Triangulation of every vertex from its squared distances to the landmarks.
    coordinate.assign(vertexCount, 0.0);
    for (Eigen::Index i = 0; i < count; ++i)
        for (uint32_t v = 0; v < vertexCount; ++v)
            coordinate[v] += -0.5 * axis(i) * (squared[i][v] - mean(i));
    return true;
}

} // namespace Isochart
