// Fuzz target: the OBJ reader and the collection of mesh data from what it reads. Refusing
// the input with FileError is fine; anything else the sanitizers or the checks below catch
// is a fault.
#include "FuzzInput.h"

#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"

#include <cstdio>
#include <sstream>

namespace {

// A mesh that was read is written so that it reads back with the same polygons.
void checkWrittenMeshesReadBack(const std::vector<MObject>& meshes) {
    std::ostringstream written;
    writeObj(written, meshes);
    std::istringstream stream(written.str());
    std::vector<MObject> again;
    try {
        again = readObj(stream, "written.obj");
    } catch (const FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fuzz::require(false, "a mesh that was read is written so that it reads back");
    }
    fuzz::require(again.size() == meshes.size(), "the meshes read back are the meshes written");
    for (size_t i = 0; i < meshes.size(); ++i) {
        const MeshData &before = *meshes[i].as<MeshData>(), &after = *again[i].as<MeshData>();
        fuzz::require(before.numVertices() == after.numVertices() && before.numPolygons() == after.numPolygons() &&
                          before.numFaceVertices() == after.numFaceVertices(),
                      "a mesh read back has the vertices and polygons written");
    }
}

// The unwrap's first stage on the first mesh: triangles, seams and adjacency.
void collectFirstMesh(const MObject& mesh) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.keep_seams = 1;
    settings.use_grooves = 1;
    settings.normalize();
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
    fuzz::require(static_cast<bool>(status), "the mesh data of a mesh that was read is collected");
    fuzz::require(indices.size() == 3 * static_cast<size_t>(mesh.as<MeshData>()->numTriangles()),
                  "every triangle of the mesh is collected");
    collectAdjacency(UnwrapMesh(positions, indices), cutMarks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream stream{std::string(fuzz::text(data, size))};
    std::vector<MObject> meshes;
    try {
        meshes = readObj(stream, "input.obj");
    } catch (const FileError&) {
        return 0;
    }
    fuzz::require(!meshes.empty(), "a file that is read holds a mesh");
    checkWrittenMeshesReadBack(meshes);
    collectFirstMesh(meshes.front());
    return 0;
}
