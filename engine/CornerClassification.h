#pragma once

#include "core/UnwrapSettings.h"
#include "hostapi/MItMeshEdge.h"
#include "hostapi/MItMeshPolygon.h"
#include "hostapi/MItMeshVertex.h"

#include <cstdint>
#include <vector>

// Decides, for each corner of each emitted triangle, whether its edge is cut (a kept UV
// seam, or a groove or ridge past its angle) and which triangle of the same polygon lies
// across it when the edge exists only because the polygon was triangulated.
class CornerClassification {
public:
    // The two polygon iterators reach the faces on either side of an edge; the edge and
    // vertex iterators find the mesh edge of a corner. `seamEdges` must be sorted.
    CornerClassification(MItMeshPolygon& firstFace, MItMeshPolygon& secondFace, MItMeshEdge& edges,
                         MItMeshVertex& vertices, const std::vector<int>& seamEdges, const UnwrapSettings& settings,
                         MIntArray* seamPairs);

    // Classifies corner `corner` (0, 1 or 2) of local triangle `localTriangle` of the polygon
    // the iterator stands on; `firstTriangle` is the number of the polygon's first triangle.
    // Appends one value to `cutMarks` and one to `falseEdges`.
    void classify(const MItMeshPolygon& polygon, int localTriangle, uint32_t firstTriangle, const MIntArray& vertexIds,
                  const MPointArray& points, int corner, std::vector<uint32_t>& cutMarks,
                  std::vector<uint32_t>& falseEdges);

private:
    bool cutByAngle(const MItMeshPolygon& polygon, const MPoint& pointA, const MPoint& pointB);
    uint32_t otherTriangleOfPolygon(const MItMeshPolygon& polygon, int localTriangle, uint32_t firstTriangle,
                                    int vertexA, int vertexB);

    MItMeshPolygon& firstFace_;
    MItMeshPolygon& secondFace_;
    MItMeshEdge& edges_;
    MItMeshVertex& vertices_;
    const std::vector<int>& seamEdges_;
    const UnwrapSettings& settings_;
    MIntArray* seamPairs_;
    MIntArray connectedEdges_, connectedFaces_, triangleVertices_;
    MPointArray trianglePoints_;
};
