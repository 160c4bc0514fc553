#include "SeamEdges.h"

#include <algorithm>

namespace {

// UV id that `face` uses in the per-face lists of one vertex, or -1 when it has none.
int uvOfFace(const MIntArray& faceIds, const MIntArray& uvIds, int face) {
    for (unsigned i = 0; i < faceIds.length() && i < uvIds.length(); ++i)
        if (faceIds[i] == face) return uvIds[i];
    return -1;
}

} // namespace

std::vector<int> gatherSeamEdges(MItMeshEdge& edges, MItMeshVertex& vertices, const MString& uvSet) {
    std::vector<int> seamEdges;
    MIntArray faces, uvIds, faceIds;
    MFloatArray u, v;
    int previous = 0;
    for (edges.reset(); !edges.isDone(); edges.next()) {
        const int faceCount = edges.getConnectedFaces(faces);
        bool seam = faceCount != 1;
        if (faceCount == 2) {
            seam = false;
            for (int end = 0; end < 2 && !seam; ++end) {
                vertices.setIndex(edges.index(end), previous);
                vertices.getUVIndices(uvIds, &uvSet);
                vertices.getUVs(u, v, faceIds, &uvSet);
                const int first = uvOfFace(faceIds, uvIds, faces[0]);
                const int second = uvOfFace(faceIds, uvIds, faces[1]);
                seam = first < 0 || second < 0 || first != second;
            }
        }
        if (seam) seamEdges.push_back(edges.index());
    }
    std::sort(seamEdges.begin(), seamEdges.end());
    return seamEdges;
}
