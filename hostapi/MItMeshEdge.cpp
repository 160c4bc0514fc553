#include "MItMeshEdge.h"

#include "MeshData.h"
#include "MeshNode.h"

namespace {

MStatus outOfRange() {
    return MStatus(MStatus::kInvalidParameter, "Index out of range");
}

} // namespace

MItMeshEdge::MItMeshEdge(const MObject& mesh, MStatus* status) : mesh_(meshDataOf(mesh)) {
    setStatus(status,
              mesh_ ? MStatus() : MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
}

bool MItMeshEdge::valid() const {
    return mesh_ && index_ >= 0 && index_ < mesh_->numEdges();
}

MStatus MItMeshEdge::reset() {
    index_ = 0;
    return mesh_ ? MStatus() : MStatus(MStatus::kFailure);
}

MStatus MItMeshEdge::next() {
    if (!valid()) return MStatus::kFailure;
    ++index_;
    return MStatus::kSuccess;
}

bool MItMeshEdge::isDone(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return !valid();
}

int MItMeshEdge::count(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return mesh_ ? mesh_->numEdges() : 0;
}

int MItMeshEdge::index(MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return index_;
}

int MItMeshEdge::index(int end, MStatus* status) const {
    if (!valid() || (end != 0 && end != 1)) {
        setStatus(status, outOfRange());
        return -1;
    }
    setStatus(status, MStatus::kSuccess);
    return mesh_->edgeVertex(index_, end);
}

MStatus MItMeshEdge::setIndex(int index, int& previousIndex) {
    previousIndex = index_;
    if (!mesh_ || index < 0 || index >= mesh_->numEdges()) return outOfRange();
    index_ = index;
    return MStatus::kSuccess;
}

int MItMeshEdge::getConnectedFaces(MIntArray& faces, MStatus* status) const {
    faces.clear();
    if (!valid()) {
        setStatus(status, outOfRange());
        return 0;
    }
    for (int face : mesh_->edgeFaces(index_))
        faces.append(face);
    setStatus(status, MStatus::kSuccess);
    return static_cast<int>(faces.length());
}

MStatus MItMeshEdge::numConnectedFaces(int& count) const {
    if (!valid()) return outOfRange();
    count = static_cast<int>(mesh_->edgeFaces(index_).size());
    return MStatus::kSuccess;
}

bool MItMeshEdge::onBoundary(MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return valid() && mesh_->edgeFaces(index_).size() == 1;
}
