#include "MeshData.h"

#include "Triangulation.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace {

// Turns per-item counts into CSR offsets (counts.size() + 1 entries).
std::vector<int> offsetsFromCounts(const std::vector<int>& counts) {
    std::vector<int> offsets(counts.size() + 1, 0);
    for (size_t i = 0; i < counts.size(); ++i)
        offsets[i + 1] = offsets[i] + counts[i];
    return offsets;
}

} // namespace

MeshData::MeshData(std::string name, std::vector<MPoint> points, std::vector<int> faceOffsets,
                   std::vector<int> faceVertices)
    : name_(std::move(name)), points_(std::move(points)), faceOffsets_(std::move(faceOffsets)),
      faceVertices_(std::move(faceVertices)) {
    if (faceOffsets_.empty()) faceOffsets_.push_back(0);
    assert(faceOffsets_.back() == static_cast<int>(faceVertices_.size()));
    faceVertexFaces_.resize(faceVertices_.size());
    for (int face = 0; face < numPolygons(); ++face)
        for (int corner = faceOffsets_[face]; corner < faceOffsets_[face + 1]; ++corner)
            faceVertexFaces_[corner] = face;
    buildEdges();
    buildIncidences();
    buildNormalsAndTriangles();
}

MObject MeshData::create(std::string name, std::vector<MPoint> points, std::vector<int> faceOffsets,
                         std::vector<int> faceVertices) {
    return MObject(std::make_shared<MeshData>(std::move(name), std::move(points), std::move(faceOffsets),
                                              std::move(faceVertices)));
}

static int nextCornerOf(const std::vector<int>& faceOffsets, int face, int corner) {
    return corner + 1 < faceOffsets[face + 1] ? corner + 1 : faceOffsets[face];
}

// Edges are the undirected vertex pairs of consecutive polygon corners, numbered in the
// order of their first appearance. Corners are bucketed by their lower vertex (a stable
// counting sort), so grouping equal pairs only sorts the few corners of one vertex.
void MeshData::buildEdges() {
    const int cornerCount = numFaceVertices();
    std::vector<int> low(cornerCount), high(cornerCount);
    std::vector<int> bucketCounts(points_.size(), 0);
    for (int face = 0; face < numPolygons(); ++face)
        for (int corner = faceOffsets_[face]; corner < faceOffsets_[face + 1]; ++corner) {
            const int a = faceVertices_[corner];
            const int b = faceVertices_[nextCornerOf(faceOffsets_, face, corner)];
            low[corner] = std::min(a, b);
            high[corner] = std::max(a, b);
            if (a != b) ++bucketCounts[low[corner]];
        }
    std::vector<int> bucketOffsets = offsetsFromCounts(bucketCounts);
    std::vector<int> bucketCorners(bucketOffsets.back());
    std::vector<int> fill(bucketOffsets.begin(), bucketOffsets.end() - 1);
    for (int corner = 0; corner < cornerCount; ++corner)
        if (low[corner] != high[corner]) bucketCorners[fill[low[corner]]++] = corner;

    std::vector<int> firstCorner(cornerCount, -1);
    for (size_t vertex = 0; vertex < points_.size(); ++vertex) {
        auto begin = bucketCorners.begin() + bucketOffsets[vertex];
        auto end = bucketCorners.begin() + bucketOffsets[vertex + 1];
        std::sort(begin, end, [&](int a, int b) { return std::pair(high[a], a) < std::pair(high[b], b); });
        for (auto it = begin; it != end; ++it)
            firstCorner[*it] = (it != begin && high[*(it - 1)] == high[*it]) ? firstCorner[*(it - 1)] : *it;
    }

    faceVertexEdges_.assign(cornerCount, -1);
    for (int corner = 0; corner < cornerCount; ++corner) {
        if (firstCorner[corner] < 0) continue;
        if (firstCorner[corner] == corner) {
            faceVertexEdges_[corner] = numEdges();
            edgeVertices_.push_back(low[corner]);
            edgeVertices_.push_back(high[corner]);
        } else {
            faceVertexEdges_[corner] = faceVertexEdges_[firstCorner[corner]];
        }
    }
}

void MeshData::buildIncidences() {
    const int edgeCount = numEdges();
    // Edge to faces: corners are visited in face order, so a face that runs along the same
    // edge twice is listed once by skipping a repeat of the last face appended.
    std::vector<int> edgeFaceCounts(edgeCount, 0), lastFace(edgeCount, -1);
    for (int corner = 0; corner < numFaceVertices(); ++corner) {
        const int edge = faceVertexEdges_[corner];
        if (edge < 0 || lastFace[edge] == faceVertexFaces_[corner]) continue;
        lastFace[edge] = faceVertexFaces_[corner];
        ++edgeFaceCounts[edge];
    }
    edgeFaceOffsets_ = offsetsFromCounts(edgeFaceCounts);
    edgeFaces_.resize(edgeFaceOffsets_.back());
    std::vector<int> fill(edgeFaceOffsets_.begin(), edgeFaceOffsets_.end() - 1);
    std::fill(lastFace.begin(), lastFace.end(), -1);
    for (int corner = 0; corner < numFaceVertices(); ++corner) {
        const int edge = faceVertexEdges_[corner];
        if (edge < 0 || lastFace[edge] == faceVertexFaces_[corner]) continue;
        lastFace[edge] = faceVertexFaces_[corner];
        edgeFaces_[fill[edge]++] = faceVertexFaces_[corner];
    }

    std::vector<int> vertexEdgeCounts(points_.size(), 0);
    for (int edge = 0; edge < edgeCount; ++edge) {
        ++vertexEdgeCounts[edgeVertices_[2 * edge]];
        ++vertexEdgeCounts[edgeVertices_[2 * edge + 1]];
    }
    vertexEdgeOffsets_ = offsetsFromCounts(vertexEdgeCounts);
    vertexEdges_.resize(vertexEdgeOffsets_.back());
    fill.assign(vertexEdgeOffsets_.begin(), vertexEdgeOffsets_.end() - 1);
    for (int edge = 0; edge < edgeCount; ++edge) {
        vertexEdges_[fill[edgeVertices_[2 * edge]]++] = edge;
        vertexEdges_[fill[edgeVertices_[2 * edge + 1]]++] = edge;
    }

    std::vector<int> vertexCornerCounts(points_.size(), 0);
    for (int vertex : faceVertices_)
        ++vertexCornerCounts[vertex];
    vertexFaceVertexOffsets_ = offsetsFromCounts(vertexCornerCounts);
    vertexFaceVertices_.resize(vertexFaceVertexOffsets_.back());
    fill.assign(vertexFaceVertexOffsets_.begin(), vertexFaceVertexOffsets_.end() - 1);
    for (int corner = 0; corner < numFaceVertices(); ++corner)
        vertexFaceVertices_[fill[faceVertices_[corner]]++] = corner;
}

void MeshData::setPoints(std::vector<MPoint> points) {
    assert(points.size() == points_.size());
    points_ = std::move(points);
    buildNormalsAndTriangles();
}

void MeshData::buildNormalsAndTriangles() {
    normals_.resize(numPolygons());
    triangleOffsets_.assign(numPolygons() + 1, 0);
    triangleFaceVertices_.clear();
    triangleVertices_.clear();
    std::vector<MPoint> corners;
    std::vector<int> localTriangles;
    for (int face = 0; face < numPolygons(); ++face) {
        corners.clear();
        for (int vertex : polygonVertices(face))
            corners.push_back(points_[vertex]);
        normals_[face] = newellNormal(corners);
        localTriangles.clear();
        triangulatePolygon(corners, normals_[face], localTriangles);
        for (int local : localTriangles) {
            triangleFaceVertices_.push_back(faceOffsets_[face] + local);
            triangleVertices_.push_back(faceVertices_[faceOffsets_[face] + local]);
        }
        triangleOffsets_[face + 1] = static_cast<int>(triangleVertices_.size() / 3);
    }
}

std::span<const int> MeshData::polygonVertices(int face) const {
    return {faceVertices_.data() + faceOffsets_[face], faceVertices_.data() + faceOffsets_[face + 1]};
}

std::span<const int> MeshData::polygonEdges(int face) const {
    return {faceVertexEdges_.data() + faceOffsets_[face], faceVertexEdges_.data() + faceOffsets_[face + 1]};
}

std::span<const int> MeshData::edgeFaces(int edge) const {
    return {edgeFaces_.data() + edgeFaceOffsets_[edge], edgeFaces_.data() + edgeFaceOffsets_[edge + 1]};
}

std::span<const int> MeshData::vertexEdges(int vertex) const {
    return {vertexEdges_.data() + vertexEdgeOffsets_[vertex], vertexEdges_.data() + vertexEdgeOffsets_[vertex + 1]};
}

std::span<const int> MeshData::vertexFaceVertices(int vertex) const {
    return {vertexFaceVertices_.data() + vertexFaceVertexOffsets_[vertex],
            vertexFaceVertices_.data() + vertexFaceVertexOffsets_[vertex + 1]};
}

const int* MeshData::triangle(int face, int localTriangle) const {
    assert(localTriangle >= 0 && localTriangle < polygonTriangleCount(face));
    return triangleVertices_.data() + 3 * (triangleOffsets_[face] + localTriangle);
}

const int* MeshData::triangleFaceVertices(int face, int localTriangle) const {
    assert(localTriangle >= 0 && localTriangle < polygonTriangleCount(face));
    return triangleFaceVertices_.data() + 3 * (triangleOffsets_[face] + localTriangle);
}

const MeshUVSet* MeshData::findUVSet(const std::string& name) const {
    for (const MeshUVSet& set : uvSets_)
        if (set.name == name) return &set;
    return nullptr;
}

MeshUVSet* MeshData::findUVSet(const std::string& name) {
    return const_cast<MeshUVSet*>(std::as_const(*this).findUVSet(name));
}

MeshUVSet& MeshData::createUVSet(const std::string& name) {
    if (MeshUVSet* existing = findUVSet(name)) return *existing;
    uvSets_.push_back({name, {}, {}, std::vector<int>(faceVertices_.size(), -1)});
    if (currentUVSet_ < 0) currentUVSet_ = 0;
    return uvSets_.back();
}
