#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MStatus.h"

class MeshData;

// Walks the edges of a mesh in edge id order.
class MItMeshEdge {
public:
    explicit MItMeshEdge(const MObject& mesh, MStatus* status = nullptr);

    MStatus reset();
    MStatus next();
    bool isDone(MStatus* status = nullptr) const;
    int count(MStatus* status = nullptr) const;
    int index(MStatus* status = nullptr) const;
    // Vertex id of end 0 or end 1 of the current edge.
    int index(int end, MStatus* status = nullptr) const;
    MStatus setIndex(int index, int& previousIndex);
    // Fills the faces on the current edge and returns how many there are.
    int getConnectedFaces(MIntArray& faces, MStatus* status = nullptr) const;
    MStatus numConnectedFaces(int& count) const;
    bool onBoundary(MStatus* status = nullptr) const;

private:
    bool valid() const;

    const MeshData* mesh_ = nullptr;
    int index_ = 0;
};
