#include "MeshDataCollector.h"

#include "engine/CornerClassification.h"
#include "engine/SeamEdges.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MItMeshEdge.h"
#include "hostapi/MItMeshPolygon.h"
#include "hostapi/MItMeshVertex.h"

#include <cstdio>

namespace {

void appendPoints(const MFnMesh& meshFn, std::vector<float>& positions) {
    MPointArray points;
    meshFn.getPoints(points, MSpace::kObject);
    positions.reserve(3 * points.length());
    for (unsigned i = 0; i < points.length(); ++i) {
        positions.push_back(static_cast<float>(points[i].x));
        positions.push_back(static_cast<float>(points[i].y));
        positions.push_back(static_cast<float>(points[i].z));
    }
}

// Sizes the per-corner outputs once, so the walk never moves them while they grow.
void reserveForTriangles(MItMeshPolygon& polygons, std::vector<uint32_t>& indices, std::vector<uint32_t>& cutMarks,
                         std::vector<uint32_t>& falseEdges) {
    size_t triangles = 0;
    for (polygons.reset(); !polygons.isDone(); polygons.next()) {
        int count = 0;
        polygons.numTriangles(count);
        triangles += static_cast<size_t>(count);
    }
    indices.reserve(indices.size() + 3 * triangles);
    cutMarks.reserve(cutMarks.size() + 3 * triangles);
    falseEdges.reserve(falseEdges.size() + 3 * triangles);
}

} // namespace

MString seamUVSetName(const MFnMesh& meshFn, const UnwrapSettings& settings) {
    MStatus status;
    const MString current = meshFn.currentUVSetName(&status, MFnMesh::kInstanceUnspecified);
    return (!status || current.empty()) ? settings.uv_set : current;
}

void collectMeshData(const UnwrapSettings& settings, MStatus& status, const MObject& mesh,
                     std::vector<float>& positions, std::vector<uint32_t>& indices, std::vector<uint32_t>& cutMarks,
                     std::vector<uint32_t>& falseEdges, MIntArray* seamPairs) {
    positions.clear();
    indices.clear();
    if (seamPairs) seamPairs->clear();

    // The iterators all stand on the same mesh object, so they succeed or fail together.
    MStatus iteratorStatus;
    MItMeshPolygon polygons(mesh, &iteratorStatus);
    MItMeshPolygon firstFace(mesh, &iteratorStatus);
    MItMeshPolygon secondFace(mesh, &iteratorStatus);
    MItMeshEdge edges(mesh, &iteratorStatus);
    MItMeshVertex vertices(mesh, &iteratorStatus);
    if (!iteratorStatus) {
        std::fprintf(stderr, "Data collector could not retrieve faces from mesh.\n");
        status = iteratorStatus;
        return;
    }
    MFnMesh meshFn(mesh, &status);
    if (!status) {
        std::fprintf(stderr, "Data collector could not retrieve mesh_fn from mesh.\n");
        return;
    }

    appendPoints(meshFn, positions);
    const std::vector<int> seamEdges = gatherSeamEdges(edges, vertices, seamUVSetName(meshFn, settings));
    CornerClassification classification(firstFace, secondFace, edges, vertices, seamEdges, settings, seamPairs);

    reserveForTriangles(polygons, indices, cutMarks, falseEdges);
    uint32_t base = 0;
    MIntArray polygonVertices, triangleVertices;
    MPointArray trianglePoints;
    for (polygons.reset(); !polygons.isDone(); polygons.next()) {
        int triangleCount = 0;
        polygons.numTriangles(triangleCount);
        status = polygons.getVertices(polygonVertices);
        if (!status) {
            std::fprintf(stderr, "Data collector could not retrieve vertices from faces.\n");
            return;
        }
        for (int t = 0; t < triangleCount; ++t) {
            polygons.getTriangle(t, trianglePoints, triangleVertices, MSpace::kObject);
            for (int k = 0; k < 3; ++k)
                indices.push_back(static_cast<uint32_t>(triangleVertices[k]));
            for (int k = 0; k < 3; ++k)
                classification.classify(polygons, t, base, triangleVertices, trianglePoints, k, cutMarks, falseEdges);
        }
        base += static_cast<uint32_t>(triangleCount);
    }
    status = MStatus::kSuccess;
}
