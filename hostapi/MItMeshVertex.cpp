#include "MItMeshVertex.h"

#include "MeshData.h"
#include "MeshNode.h"
#include "UVSetLookup.h"

namespace {

MStatus outOfRange() {
    return MStatus(MStatus::kInvalidParameter, "Index out of range");
}

} // namespace

MItMeshVertex::MItMeshVertex(const MObject& mesh, MStatus* status) : mesh_(meshDataOf(mesh)) {
    setStatus(status,
              mesh_ ? MStatus() : MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
}

bool MItMeshVertex::valid() const {
    return mesh_ && index_ >= 0 && index_ < mesh_->numVertices();
}

MStatus MItMeshVertex::reset() {
    index_ = 0;
    return mesh_ ? MStatus() : MStatus(MStatus::kFailure);
}

MStatus MItMeshVertex::next() {
    if (!valid()) return MStatus::kFailure;
    ++index_;
    return MStatus::kSuccess;
}

bool MItMeshVertex::isDone(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return !valid();
}

int MItMeshVertex::count(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return mesh_ ? mesh_->numVertices() : 0;
}

int MItMeshVertex::index(MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return index_;
}

MStatus MItMeshVertex::setIndex(int index, int& previousIndex) {
    previousIndex = index_;
    if (!mesh_ || index < 0 || index >= mesh_->numVertices()) return outOfRange();
    index_ = index;
    return MStatus::kSuccess;
}

MPoint MItMeshVertex::position(MSpace::Space, MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return valid() ? mesh_->points()[index_] : MPoint();
}

MStatus MItMeshVertex::getConnectedEdges(MIntArray& edges) const {
    edges.clear();
    if (!valid()) return outOfRange();
    for (int edge : mesh_->vertexEdges(index_))
        edges.append(edge);
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::numConnectedEdges(int& count) const {
    if (!valid()) return outOfRange();
    count = static_cast<int>(mesh_->vertexEdges(index_).size());
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::getConnectedFaces(MIntArray& faces) const {
    faces.clear();
    if (!valid()) return outOfRange();
    for (int faceVertex : mesh_->vertexFaceVertices(index_))
        faces.append(mesh_->faceOfFaceVertex(faceVertex));
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::getUVs(MFloatArray& u, MFloatArray& v, MIntArray& faceIds, const MString* uvSet) const {
    u.clear();
    v.clear();
    faceIds.clear();
    if (!valid()) return outOfRange();
    const MeshUVSet* set = uvSetOf(*mesh_, uvSet);
    if (!set) return MStatus(MStatus::kInvalidParameter, "No such UV set");
    for (int faceVertex : mesh_->vertexFaceVertices(index_)) {
        const int uv = set->faceVertexUVs[faceVertex];
        if (uv < 0) continue;
        u.append(set->u[uv]);
        v.append(set->v[uv]);
        faceIds.append(mesh_->faceOfFaceVertex(faceVertex));
    }
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::getUVIndices(MIntArray& uvIds, const MString* uvSet) const {
    uvIds.clear();
    if (!valid()) return outOfRange();
    const MeshUVSet* set = uvSetOf(*mesh_, uvSet);
    if (!set) return MStatus(MStatus::kInvalidParameter, "No such UV set");
    for (int faceVertex : mesh_->vertexFaceVertices(index_)) {
        const int uv = set->faceVertexUVs[faceVertex];
        if (uv >= 0) uvIds.append(uv);
    }
    return MStatus::kSuccess;
}
