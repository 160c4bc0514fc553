#include "ExistingUVs.h"

#include "core/VarnelleException.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MItMeshPolygon.h"

#include <string>
#include <utility>

namespace {

constexpr size_t kFacesNamed = 5;

// "3, 17, 20, 22, 40 and 12 more".
std::string faceList(const std::vector<unsigned>& faces) {
    std::string text;
    for (size_t i = 0; i < faces.size() && i < kFacesNamed; ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(faces[i]);
    if (faces.size() > kFacesNamed) text += " and " + std::to_string(faces.size() - kFacesNamed) + " more";
    return text;
}

// The position of a vertex in its polygon, the later one when it is listed twice; 0 when absent.
int localPosition(const std::vector<std::pair<int, int>>& positions, int vertex) {
    int found = 0;
    for (const auto& [id, local] : positions)
        if (id == vertex) found = local;
    return found;
}

} // namespace

void readExistingUVs(const MObject& mesh, UnwrapMesh& result) {
    const MFnMesh meshFn(mesh);
    const MString uvSet = meshFn.currentUVSetName(nullptr, MFnMesh::kInstanceUnspecified);
    MFloatArray u, v;
    meshFn.getUVs(u, v, &uvSet);
    result.uvs.resize(3 * static_cast<size_t>(meshFn.numUVs(uvSet)), 0.0f);
    result.uv_indices.clear();

    std::vector<unsigned> facesWithoutUVs;
    std::vector<std::pair<int, int>> positions;
    MIntArray triangleVertices;
    MPointArray trianglePoints;
    MItMeshPolygon polygons(mesh);
    for (polygons.reset(); !polygons.isDone(); polygons.next()) {
        int triangleCount = 0;
        polygons.numTriangles(triangleCount);
        positions.clear();
        const int vertexCount = static_cast<int>(polygons.polygonVertexCount());
        for (int local = 0; local < vertexCount; ++local)
            positions.emplace_back(static_cast<int>(polygons.vertexIndex(local)), local);
        bool mapped = true;
        for (int t = 0; t < triangleCount; ++t) {
            polygons.getTriangle(t, trianglePoints, triangleVertices, MSpace::kObject);
            for (int k = 0; k < 3; ++k) {
                int uvId = 0;
                const bool found =
                    static_cast<bool>(polygons.getUVIndex(localPosition(positions, triangleVertices[k]), uvId, &uvSet));
                mapped = mapped && found && uvId >= 0 && static_cast<size_t>(uvId) < result.uvCount();
                const uint32_t uv = mapped ? static_cast<uint32_t>(uvId) : 0u;
                result.uv_indices.push_back(uv);
                if (!mapped) continue;
                result.uvs[3 * size_t{uv}] = u[uv];
                result.uvs[3 * size_t{uv} + 1] = v[uv];
            }
        }
        if (!mapped) facesWithoutUVs.push_back(polygons.index());
    }
    if (facesWithoutUVs.empty()) return;
    if (uvSet.empty())
        raiseError(ErrorSites::FacesWithoutUVs,
                   "all " + std::to_string(facesWithoutUVs.size()) + " faces (the mesh has no UV set)");
    raiseError(ErrorSites::FacesWithoutUVs, faceList(facesWithoutUVs));
}
