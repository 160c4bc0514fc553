#include "MFnMesh.h"

#include "MeshData.h"
#include "MeshNode.h"
#include "UVSetLookup.h"

MFnMesh::MFnMesh(const MObject& object, MStatus* status) {
    setStatus(status, setObject(object));
}

MFnMesh::MFnMesh(const MDagPath& path, MStatus* status) : path_(path) {
    setStatus(status, setObject(path.node()));
}

MStatus MFnMesh::setObject(const MObject& object) {
    mesh_ = meshDataOf(object);
    if (!mesh_) return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
    return MStatus::kSuccess;
}

namespace {

MStatus noMesh() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

int MFnMesh::numVertices(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : noMesh());
    return mesh_ ? mesh_->numVertices() : 0;
}

int MFnMesh::numPolygons(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : noMesh());
    return mesh_ ? mesh_->numPolygons() : 0;
}

int MFnMesh::numEdges(MStatus* status) const {
    setStatus(status, mesh_ ? MStatus() : noMesh());
    return mesh_ ? mesh_->numEdges() : 0;
}

MStatus MFnMesh::getPoints(MPointArray& points, MSpace::Space space) const {
    if (!mesh_) return noMesh();
    points.items() = mesh_->points();
    if (space != MSpace::kWorld) return MStatus::kSuccess;
    if (!path_.isValid()) return MStatus(MStatus::kInvalidParameter, "World space needs a path to the mesh");
    const MMatrix world = path_.inclusiveMatrix();
    for (MPoint& point : points.items())
        point = point * world;
    return MStatus::kSuccess;
}

MStatus MFnMesh::setPoints(const MPointArray& points, MSpace::Space) {
    if (!mesh_) return noMesh();
    if (static_cast<int>(points.length()) != mesh_->numVertices()) return MStatus::kInvalidParameter;
    mesh_->setPoints(points.items());
    return MStatus::kSuccess;
}

MStatus MFnMesh::getPolygonVertices(int polygon, MIntArray& vertices) const {
    if (!mesh_) return noMesh();
    if (polygon < 0 || polygon >= mesh_->numPolygons()) return MStatus::kInvalidParameter;
    const auto list = mesh_->polygonVertices(polygon);
    vertices.items().assign(list.begin(), list.end());
    return MStatus::kSuccess;
}

int MFnMesh::numUVs(MStatus* status) const {
    const MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, nullptr) : nullptr;
    setStatus(status, mesh_ ? MStatus() : noMesh());
    return set ? static_cast<int>(set->u.size()) : 0;
}

int MFnMesh::numUVs(const MString& uvSet, MStatus* status) const {
    const MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, &uvSet) : nullptr;
    setStatus(status, set ? MStatus() : MStatus(MStatus::kInvalidParameter));
    return set ? static_cast<int>(set->u.size()) : 0;
}

MString MFnMesh::currentUVSetName(MStatus* status, int) const {
    setStatus(status, mesh_ ? MStatus() : noMesh());
    if (!mesh_ || mesh_->currentUVSet() < 0) return MString();
    return MString(mesh_->uvSets()[mesh_->currentUVSet()].name);
}

MStatus MFnMesh::getCurrentUVSetName(MString& name, int instance) const {
    MStatus status;
    name = currentUVSetName(&status, instance);
    return status;
}

MStatus MFnMesh::setCurrentUVSetName(const MString& name) {
    if (!mesh_) return noMesh();
    for (size_t i = 0; i < mesh_->uvSets().size(); ++i)
        if (mesh_->uvSets()[i].name == name.str()) {
            mesh_->setCurrentUVSet(static_cast<int>(i));
            return MStatus::kSuccess;
        }
    return MStatus::kInvalidParameter;
}

MStatus MFnMesh::getUVSetNames(MStringArray& names) const {
    if (!mesh_) return noMesh();
    names.clear();
    for (const MeshUVSet& set : mesh_->uvSets())
        names.append(MString(set.name));
    return MStatus::kSuccess;
}

MString MFnMesh::createUVSetWithName(const MString& name, MStatus* status) {
    if (!mesh_ || name.empty()) {
        setStatus(status, MStatus::kInvalidParameter);
        return MString();
    }
    mesh_->createUVSet(name.str());
    setStatus(status, MStatus::kSuccess);
    return name;
}

MStatus MFnMesh::getUVs(MFloatArray& u, MFloatArray& v, const MString* uvSet) const {
    const MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, uvSet) : nullptr;
    if (!set) return MStatus::kInvalidParameter;
    u.items() = set->u;
    v.items() = set->v;
    return MStatus::kSuccess;
}

MStatus MFnMesh::setUVs(const MFloatArray& u, const MFloatArray& v, const MString* uvSet) {
    MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, uvSet) : nullptr;
    if (!set || u.length() != v.length()) return MStatus::kInvalidParameter;
    set->u = u.items();
    set->v = v.items();
    return MStatus::kSuccess;
}

MStatus MFnMesh::assignUVs(const MIntArray& uvCounts, const MIntArray& uvIds, const MString* uvSet) {
    MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, uvSet) : nullptr;
    if (!set || static_cast<int>(uvCounts.length()) != mesh_->numPolygons()) return MStatus::kInvalidParameter;
    std::vector<int> assigned(mesh_->numFaceVertices(), -1);
    unsigned next = 0;
    for (int face = 0; face < mesh_->numPolygons(); ++face) {
        const int size = static_cast<int>(mesh_->polygonVertices(face).size());
        if (uvCounts[face] == 0) continue;
        if (uvCounts[face] != size || next + size > uvIds.length()) return MStatus::kInvalidParameter;
        for (int local = 0; local < size; ++local) {
            const int id = uvIds[next++];
            if (id < 0 || id >= static_cast<int>(set->u.size())) return MStatus::kInvalidParameter;
            assigned[mesh_->faceVertexOffset(face) + local] = id;
        }
    }
    set->faceVertexUVs = std::move(assigned);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getPolygonUVid(int polygon, int vertex, int& uvId, const MString* uvSet) const {
    const MeshUVSet* set = mesh_ ? uvSetOf(*mesh_, uvSet) : nullptr;
    if (!set || polygon < 0 || polygon >= mesh_->numPolygons()) return MStatus::kInvalidParameter;
    if (vertex < 0 || vertex >= static_cast<int>(mesh_->polygonVertices(polygon).size()))
        return MStatus::kInvalidParameter;
    uvId = set->faceVertexUVs[mesh_->faceVertexOffset(polygon) + vertex];
    return uvId >= 0 ? MStatus() : MStatus(MStatus::kFailure, "Face-vertex has no UV");
}
