#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MPoint.h"
#include "MSpace.h"
#include "MStatus.h"
#include "MString.h"

class MeshData;

// Walks the vertices of a mesh in vertex id order.
class MItMeshVertex {
public:
    explicit MItMeshVertex(const MObject& mesh, MStatus* status = nullptr);

    MStatus reset();
    MStatus next();
    bool isDone(MStatus* status = nullptr) const;
    int count(MStatus* status = nullptr) const;
    int index(MStatus* status = nullptr) const;
    MStatus setIndex(int index, int& previousIndex);
    MPoint position(MSpace::Space space = MSpace::kObject, MStatus* status = nullptr) const;

    MStatus getConnectedEdges(MIntArray& edges) const;
    MStatus numConnectedEdges(int& count) const;
    MStatus getConnectedFaces(MIntArray& faces) const;
    // One entry per face-vertex at this vertex that has a UV in the set: the UV and the
    // face it belongs to. Unmapped face-vertices are skipped.
    MStatus getUVs(MFloatArray& u, MFloatArray& v, MIntArray& faceIds, const MString* uvSet = nullptr) const;
    // The UV ids at this vertex, in the same per-face layout as getUVs.
    MStatus getUVIndices(MIntArray& uvIds, const MString* uvSet = nullptr) const;

private:
    bool valid() const;

    const MeshData* mesh_ = nullptr;
    int index_ = 0;
};
