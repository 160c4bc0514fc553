#include "CornerClassification.h"

#include "core/UnwrapMesh.h"

#include <algorithm>
#include <cmath>

CornerClassification::CornerClassification(MItMeshPolygon& firstFace, MItMeshPolygon& secondFace, MItMeshEdge& edges,
                                           MItMeshVertex& vertices, const std::vector<int>& seamEdges,
                                           const UnwrapSettings& settings, MIntArray* seamPairs)
    : firstFace_(firstFace), secondFace_(secondFace), edges_(edges), vertices_(vertices), seamEdges_(seamEdges),
      settings_(settings), seamPairs_(seamPairs) {}

void CornerClassification::classify(const MItMeshPolygon& polygon, int localTriangle, uint32_t firstTriangle,
                                    const MIntArray& vertexIds, const MPointArray& points, int corner,
                                    std::vector<uint32_t>& cutMarks, std::vector<uint32_t>& falseEdges) {
    const int next = (corner + 1) % 3;
    const int vertexA = vertexIds[corner];
    const int vertexB = vertexIds[next];
    bool joined = false, onSeam = false, cut = false;

    int previous = 0;
    vertices_.setIndex(vertexA, previous);
    vertices_.getConnectedEdges(connectedEdges_);
    int edgeCount = 0;
    vertices_.numConnectedEdges(edgeCount);
    for (int i = 0; i < edgeCount; ++i) {
        const int edge = connectedEdges_[i];
        edges_.setIndex(edge, previous);
        if (edges_.index(0) != vertexB && edges_.index(1) != vertexB) continue;
        joined = true;
        if (std::binary_search(seamEdges_.begin(), seamEdges_.end(), edge)) {
            onSeam = true;
            if (seamPairs_) {
                seamPairs_->append(vertexA);
                seamPairs_->append(vertexB);
            }
        }
        if (cutByAngle(polygon, points[corner], points[next])) cut = true;
    }

    falseEdges.push_back(joined ? NIL
                                : otherTriangleOfPolygon(polygon, localTriangle, firstTriangle, vertexA, vertexB));
    cutMarks.push_back((settings_.keepsSeams() && onSeam) || cut ? NIL : 0u);
}

// The angle test of the edge the edge iterator stands on. Only edges with exactly two faces
// are tested. The sign of (A - B) . (nF x nG) tells a groove (concave or flat, >= 0) from a
// ridge (convex).
bool CornerClassification::cutByAngle(const MItMeshPolygon& polygon, const MPoint& pointA, const MPoint& pointB) {
    if (!settings_.use_grooves && !settings_.use_ridges) return false;
    if (edges_.getConnectedFaces(connectedFaces_) != 2) return false;
    const int current = static_cast<int>(polygon.index());
    const int faceF = connectedFaces_[0] == current ? connectedFaces_[0] : connectedFaces_[1];
    const int faceG = faceF == connectedFaces_[0] ? connectedFaces_[1] : connectedFaces_[0];
    int previous = 0;
    MVector normalF, normalG;
    firstFace_.setIndex(faceF, previous);
    firstFace_.getNormal(normalF, MSpace::kObject);
    secondFace_.setIndex(faceG, previous);
    secondFace_.getNormal(normalG, MSpace::kObject);

    const MVector crossing = normalF ^ normalG;
    const double dot = normalF * normalG;
    const double side = (pointA - pointB) * crossing;
    const float angle = static_cast<float>(std::atan2(crossing.length(), dot)) * 57.29578f;
    if (side >= 0.0) return settings_.use_grooves && static_cast<double>(angle) >= settings_.groove_angle;
    return settings_.use_ridges && static_cast<double>(angle) >= settings_.ridge_angle;
}

// For an edge no mesh edge joins: the first other triangle of the polygon holding both ends.
// A degenerate triangulation may leave none; NIL then claims no false edge.
uint32_t CornerClassification::otherTriangleOfPolygon(const MItMeshPolygon& polygon, int localTriangle,
                                                      uint32_t firstTriangle, int vertexA, int vertexB) {
    int triangleCount = 0;
    polygon.numTriangles(triangleCount);
    for (int other = 0; other < triangleCount; ++other) {
        if (other == localTriangle) continue;
        polygon.getTriangle(other, trianglePoints_, triangleVertices_, MSpace::kObject);
        int shared = 0;
        for (unsigned k = 0; k < triangleVertices_.length(); ++k)
            if (triangleVertices_[k] == vertexA || triangleVertices_[k] == vertexB) ++shared;
        if (shared >= 2) return firstTriangle + static_cast<uint32_t>(other);
    }
    return NIL;
}
