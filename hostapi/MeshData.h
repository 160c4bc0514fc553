#pragma once

#include "MObject.h"
#include "MPoint.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// One named UV set: a list of UVs and, per face-vertex, the UV it uses (-1 for none).
struct MeshUVSet {
    std::string name;
    std::vector<float> u;
    std::vector<float> v;
    std::vector<int> faceVertexUVs;
};

// The in-memory polygon mesh behind MFnMesh and the mesh iterators. Polygons are vertex
// lists; everything else (edges, incidences, normals, triangulations) is derived once at
// construction, so every iterator query is O(1) or O(valence).
class MeshData : public HostObject {
public:
    // `faceOffsets` has one entry per polygon plus a final one: polygon f uses
    // faceVertices[faceOffsets[f] .. faceOffsets[f + 1]). Every index must be valid and every
    // polygon must have at least three vertices; the file readers check both.
    MeshData(std::string name, std::vector<MPoint> points, std::vector<int> faceOffsets, std::vector<int> faceVertices);

    static MObject create(std::string name, std::vector<MPoint> points, std::vector<int> faceOffsets,
                          std::vector<int> faceVertices);

    const std::string& name() const { return name_; }
    int numVertices() const { return static_cast<int>(points_.size()); }
    int numPolygons() const { return static_cast<int>(faceOffsets_.size()) - 1; }
    int numEdges() const { return static_cast<int>(edgeVertices_.size() / 2); }
    int numFaceVertices() const { return static_cast<int>(faceVertices_.size()); }
    int numTriangles() const { return static_cast<int>(triangleVertices_.size() / 3); }

    const std::vector<MPoint>& points() const { return points_; }
    // Moves the vertices (one point per vertex) and re-derives the normals and triangulations,
    // which depend on where the vertices are.
    void setPoints(std::vector<MPoint> points);
    int faceVertexOffset(int face) const { return faceOffsets_[face]; }
    std::span<const int> polygonVertices(int face) const;
    // Mesh edge of each face-vertex: the edge from it to the next vertex of its polygon,
    // or -1 when both are the same vertex.
    std::span<const int> polygonEdges(int face) const;
    int edgeVertex(int edge, int end) const { return edgeVertices_[2 * edge + end]; }
    std::span<const int> edgeFaces(int edge) const;
    std::span<const int> vertexEdges(int vertex) const;
    // Face-vertices at a vertex, as global face-vertex numbers, in ascending face order.
    std::span<const int> vertexFaceVertices(int vertex) const;
    int faceOfFaceVertex(int faceVertex) const { return faceVertexFaces_[faceVertex]; }
    int polygonTriangleCount(int face) const { return triangleOffsets_[face + 1] - triangleOffsets_[face]; }
    // Vertex ids of a polygon's local triangle, in the polygon's winding.
    const int* triangle(int face, int localTriangle) const;
    // Global face-vertex numbers of the same triangle's corners (for per-face-vertex data
    // such as UV ids).
    const int* triangleFaceVertices(int face, int localTriangle) const;
    const MVector& polygonNormal(int face) const { return normals_[face]; }

    std::vector<MeshUVSet>& uvSets() { return uvSets_; }
    const std::vector<MeshUVSet>& uvSets() const { return uvSets_; }
    // Index into uvSets(), or -1 when the mesh has no UV set.
    int currentUVSet() const { return currentUVSet_; }
    void setCurrentUVSet(int index) { currentUVSet_ = index; }
    const MeshUVSet* findUVSet(const std::string& name) const;
    MeshUVSet* findUVSet(const std::string& name);
    // Adds an empty set (every face-vertex unmapped) and returns it; an existing set of that
    // name is returned as it is.
    MeshUVSet& createUVSet(const std::string& name);

private:
    void buildEdges();
    void buildIncidences();
    void buildNormalsAndTriangles();

    std::string name_;
    std::vector<MPoint> points_;
    std::vector<int> faceOffsets_;
    std::vector<int> faceVertices_;
    std::vector<int> faceVertexFaces_;
    std::vector<int> faceVertexEdges_;
    std::vector<int> edgeVertices_;
    std::vector<int> edgeFaceOffsets_, edgeFaces_;
    std::vector<int> vertexEdgeOffsets_, vertexEdges_;
    std::vector<int> vertexFaceVertexOffsets_, vertexFaceVertices_;
    std::vector<int> triangleOffsets_, triangleVertices_, triangleFaceVertices_;
    std::vector<MVector> normals_;
    std::vector<MeshUVSet> uvSets_;
    int currentUVSet_ = -1;
};
