#include "MeshData.h"
#include "ObjFile.h"

#include <cstdio>

namespace {

void writeMesh(std::ostream& out, const MeshData& mesh, int vertexBase, int texcoordBase) {
    char line[128];
    out << "o " << mesh.name() << '\n';
    for (const MPoint& p : mesh.points()) {
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
        out << line;
    }
    const MeshUVSet* set = mesh.currentUVSet() >= 0 ? &mesh.uvSets()[mesh.currentUVSet()] : nullptr;
    if (set)
        for (size_t uv = 0; uv < set->u.size(); ++uv) {
            std::snprintf(line, sizeof line, "vt %.9g %.9g\n", set->u[uv], set->v[uv]);
            out << line;
        }
    for (int face = 0; face < mesh.numPolygons(); ++face) {
        const auto vertices = mesh.polygonVertices(face);
        const int first = mesh.faceVertexOffset(face);
        // A face carries texture coordinates only when every one of its corners has one.
        bool mapped = set != nullptr;
        for (size_t local = 0; mapped && local < vertices.size(); ++local)
            mapped = set->faceVertexUVs[first + local] >= 0;
        out << 'f';
        for (size_t local = 0; local < vertices.size(); ++local) {
            out << ' ' << vertexBase + vertices[local] + 1;
            if (mapped) out << '/' << texcoordBase + set->faceVertexUVs[first + local] + 1;
        }
        out << '\n';
    }
}

} // namespace

void writeObj(std::ostream& out, const std::vector<MObject>& meshes) {
    out << "# written by varnelle\n";
    int vertexBase = 0, texcoordBase = 0;
    for (const MObject& object : meshes) {
        const MeshData* mesh = object.as<MeshData>();
        if (!mesh) continue;
        writeMesh(out, *mesh, vertexBase, texcoordBase);
        vertexBase += mesh->numVertices();
        if (mesh->currentUVSet() >= 0) texcoordBase += static_cast<int>(mesh->uvSets()[mesh->currentUVSet()].u.size());
    }
}

void exportObj(const std::string& path, const std::vector<MObject>& meshes, const std::string& protectedInput) {
    if (!protectedInput.empty() && (path == protectedInput || sameFile(path, protectedInput)))
        throw FileError(path + ": refusing to write over the input file");
    writeFileAtomically(path, [&](std::ostream& out) { writeObj(out, meshes); });
}
