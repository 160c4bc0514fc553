#include "MItMeshPolygon.h"

#include "MeshData.h"
#include "MeshNode.h"
#include "UVSetLookup.h"

namespace {

MStatus outOfRange() {
    return MStatus(MStatus::kInvalidParameter, "Index out of range");
}

} // namespace

MItMeshPolygon::MItMeshPolygon(const MObject& mesh, MStatus* status) : mesh_(meshDataOf(mesh)) {
    setStatus(status,
              mesh_ ? MStatus() : MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
}

bool MItMeshPolygon::valid() const {
    return mesh_ && index_ >= 0 && index_ < mesh_->numPolygons();
}

MStatus MItMeshPolygon::reset() {
    index_ = 0;
    return mesh_ ? MStatus() : MStatus(MStatus::kFailure);
}

MStatus MItMeshPolygon::next() {
    if (!valid()) return MStatus::kFailure;
    ++index_;
    return MStatus::kSuccess;
}

bool MItMeshPolygon::isDone(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return !valid();
}

unsigned MItMeshPolygon::index(MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return static_cast<unsigned>(index_);
}

unsigned MItMeshPolygon::count(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : MStatus(MStatus::kFailure));
    return mesh_ ? static_cast<unsigned>(mesh_->numPolygons()) : 0u;
}

MStatus MItMeshPolygon::setIndex(int index, int& previousIndex) {
    previousIndex = index_;
    if (!mesh_ || index < 0 || index >= mesh_->numPolygons()) return outOfRange();
    index_ = index;
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::numTriangles(int& count) const {
    if (!valid()) return outOfRange();
    count = mesh_->polygonTriangleCount(index_);
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::getTriangle(int localTriangle, MPointArray& points, MIntArray& vertices, MSpace::Space) const {
    if (!valid() || localTriangle < 0 || localTriangle >= mesh_->polygonTriangleCount(index_)) return outOfRange();
    const int* triangle = mesh_->triangle(index_, localTriangle);
    points.clear();
    vertices.clear();
    for (int corner = 0; corner < 3; ++corner) {
        vertices.append(triangle[corner]);
        points.append(mesh_->points()[triangle[corner]]);
    }
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::getVertices(MIntArray& vertices) const {
    if (!valid()) return outOfRange();
    const auto list = mesh_->polygonVertices(index_);
    vertices.items().assign(list.begin(), list.end());
    return MStatus::kSuccess;
}

unsigned MItMeshPolygon::polygonVertexCount(MStatus* status) const {
    setStatus(status, valid() ? MStatus() : outOfRange());
    return valid() ? static_cast<unsigned>(mesh_->polygonVertices(index_).size()) : 0u;
}

unsigned MItMeshPolygon::vertexIndex(int localVertex, MStatus* status) const {
    if (!valid() || localVertex < 0 || localVertex >= static_cast<int>(mesh_->polygonVertices(index_).size())) {
        setStatus(status, outOfRange());
        return 0;
    }
    setStatus(status, MStatus::kSuccess);
    return static_cast<unsigned>(mesh_->polygonVertices(index_)[localVertex]);
}

MStatus MItMeshPolygon::getNormal(MVector& normal, MSpace::Space) const {
    if (!valid()) return outOfRange();
    normal = mesh_->polygonNormal(index_);
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::getUVIndex(int localVertex, int& uvId, const MString* uvSet) const {
    if (!valid() || localVertex < 0 || localVertex >= static_cast<int>(mesh_->polygonVertices(index_).size()))
        return outOfRange();
    const MeshUVSet* set = uvSetOf(*mesh_, uvSet);
    if (!set) return MStatus(MStatus::kInvalidParameter, "No such UV set");
    uvId = set->faceVertexUVs[mesh_->faceVertexOffset(index_) + localVertex];
    return uvId >= 0 ? MStatus() : MStatus(MStatus::kFailure, "Face-vertex has no UV");
}
