#pragma once

#include "MArray.h"
#include "MDagPath.h"
#include "MObject.h"
#include "MPoint.h"
#include "MSpace.h"
#include "MStatus.h"
#include "MString.h"

class MeshData;

// Function set over a host mesh object.
class MFnMesh {
public:
    static constexpr int kInstanceUnspecified = -1;

    MFnMesh() = default;
    // A mesh data object, or a mesh shape node (its evaluated output mesh).
    explicit MFnMesh(const MObject& object, MStatus* status = nullptr);
    // A mesh shape by its path: world-space points are then available.
    explicit MFnMesh(const MDagPath& path, MStatus* status = nullptr);
    MStatus setObject(const MObject& object);

    int numVertices(MStatus* status = nullptr) const;
    int numPolygons(MStatus* status = nullptr) const;
    int numEdges(MStatus* status = nullptr) const;
    // World space needs a function set made from a path; it fails otherwise.
    MStatus getPoints(MPointArray& points, MSpace::Space space = MSpace::kObject) const;
    MStatus setPoints(const MPointArray& points, MSpace::Space space = MSpace::kObject);
    MStatus getPolygonVertices(int polygon, MIntArray& vertices) const;

    // UVs of the current set, or of the named one.
    int numUVs(MStatus* status = nullptr) const;
    int numUVs(const MString& uvSet, MStatus* status = nullptr) const;
    // The current UV set; an empty name when the mesh has none.
    MString currentUVSetName(MStatus* status = nullptr, int instance = kInstanceUnspecified) const;
    MStatus getCurrentUVSetName(MString& name, int instance = kInstanceUnspecified) const;
    MStatus setCurrentUVSetName(const MString& name);
    MStatus getUVSetNames(MStringArray& names) const;
    MString createUVSetWithName(const MString& name, MStatus* status = nullptr);
    MStatus getUVs(MFloatArray& u, MFloatArray& v, const MString* uvSet = nullptr) const;
    // Replaces the UV list of a set; face-vertices keep their UV ids.
    MStatus setUVs(const MFloatArray& u, const MFloatArray& v, const MString* uvSet = nullptr);
    // Sets the UV id of every face-vertex: `uvCounts` per polygon (its vertex count, or 0 to
    // leave it unmapped) and `uvIds` for the mapped face-vertices in order.
    MStatus assignUVs(const MIntArray& uvCounts, const MIntArray& uvIds, const MString* uvSet = nullptr);
    MStatus getPolygonUVid(int polygon, int vertex, int& uvId, const MString* uvSet = nullptr) const;

    MeshData* data() const { return mesh_; }

private:
    MeshData* mesh_ = nullptr;
    MDagPath path_;
};
