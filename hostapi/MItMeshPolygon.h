#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MPoint.h"
#include "MSpace.h"
#include "MStatus.h"
#include "MString.h"

class MeshData;

// Walks the polygons of a mesh in ascending face id.
class MItMeshPolygon {
public:
    explicit MItMeshPolygon(const MObject& mesh, MStatus* status = nullptr);

    MStatus reset();
    MStatus next();
    bool isDone(MStatus* status = nullptr) const;
    unsigned index(MStatus* status = nullptr) const;
    unsigned count(MStatus* status = nullptr) const;
    MStatus setIndex(int index, int& previousIndex);

    MStatus numTriangles(int& count) const;
    // Points and mesh-global vertex ids of one triangle of the polygon's triangulation.
    MStatus getTriangle(int localTriangle, MPointArray& points, MIntArray& vertices,
                        MSpace::Space space = MSpace::kObject) const;
    MStatus getVertices(MIntArray& vertices) const;
    unsigned polygonVertexCount(MStatus* status = nullptr) const;
    unsigned vertexIndex(int localVertex, MStatus* status = nullptr) const;
    // Unit polygon normal (Newell's method).
    MStatus getNormal(MVector& normal, MSpace::Space space = MSpace::kObject) const;
    // UV id of a face-relative vertex; fails when that face-vertex has no UV.
    MStatus getUVIndex(int localVertex, int& uvId, const MString* uvSet = nullptr) const;

private:
    bool valid() const;

    const MeshData* mesh_ = nullptr;
    int index_ = 0;
};
