#include "CommandLine.h"
#include "Subcommands.h"

#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "engine/SeamEdges.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/MFnMesh.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

size_t countEqual(const std::vector<uint32_t>& values, uint32_t value) {
    return static_cast<size_t>(std::count(values.begin(), values.end(), value));
}

// As in the host, the UV set named with -mc is read only when the mesh has no current set.
// A name the mesh does not have is said on the error stream, with what is read instead.
void warnAboutNamedUVSet(const std::vector<std::string>& flags, const MObject& mesh, const MString& named) {
    if (std::find(flags.begin(), flags.end(), "-mc") == flags.end() &&
        std::find(flags.begin(), flags.end(), "-mapchannel") == flags.end())
        return;
    const MString current = MFnMesh(mesh).currentUVSetName();
    if (current == named) return;
    if (current.empty())
        std::fprintf(stderr,
                     "varnelle inspect: warning: -mc '%s': the mesh has no UV set, so no edge has UVs and every "
                     "edge is a UV seam\n",
                     named.asChar());
    else
        std::fprintf(stderr,
                     "varnelle inspect: warning: -mc '%s' is not used: the mesh's current UV set '%s' is read "
                     "(-mc names the set only for a mesh without one)\n",
                     named.asChar(), current.asChar());
}

} // namespace

// Collects the mesh data and adjacency of a mesh's first object and reports their counts.
int runInspect(const std::vector<std::string>& words, std::ostream& out) {
    const SubcommandWords split = splitMeshPath(words, "inspect");
    UnwrapSettings settings = parseUnwrapFlags(split.rest);
    settings.normalize();
    const MObject mesh = loadFirstMesh(split.meshPath);
    warnAboutNamedUVSet(split.rest, mesh, settings.uv_set);

    const auto start = std::chrono::steady_clock::now();
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    MIntArray seamPairs;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, &seamPairs);
    if (!status) return 1;
    const std::vector<uint32_t> adjacency = collectAdjacency(UnwrapMesh(positions, indices), cutMarks);
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    MItMeshEdge edges(mesh);
    MItMeshVertex vertices(mesh);
    const size_t seamEdgeCount = gatherSeamEdges(edges, vertices, seamUVSetName(MFnMesh(mesh), settings)).size();
    char line[512];
    std::snprintf(
        line, sizeof line,
        "{\"positions\": %zu, \"polygons\": %d, \"triangles\": %zu, \"seam_edges\": %zu, \"seam_pairs\": %zu, "
        "\"cut_corners\": %zu, \"false_edge_corners\": %zu, \"adjacency_links\": %zu, \"time_ms\": %.3f}\n",
        positions.size() / 3, MFnMesh(mesh).numPolygons(), indices.size() / 3, seamEdgeCount,
        static_cast<size_t>(seamPairs.length() / 2), countEqual(cutMarks, NIL),
        falseEdges.size() - countEqual(falseEdges, NIL), adjacency.size() - countEqual(adjacency, NIL), milliseconds);
    out << line;
    return adjacency.empty() ? 1 : 0;
}
