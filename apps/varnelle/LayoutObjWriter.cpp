#include "LayoutObjWriter.h"

#include "core/UnwrapMesh.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/MeshData.h"

#include <cassert>
#include <charconv>
#include <filesystem>
#include <ostream>

namespace {

// Appends the shortest text that reads back as the same number.
template <typename Number>
void appendNumber(std::string& line, Number value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    line.push_back(' ');
    line.append(text, result.ptr);
}

// Empties the line down to its statement's keyword.
void startLine(std::string& line, char keyword, char second = '\0') {
    line.clear();
    line.push_back(keyword);
    if (second) line.push_back(second);
}

void appendCorner(std::string& line, int vertex, uint32_t uv) {
    line.push_back(' ');
    line += std::to_string(vertex + 1);
    line.push_back('/');
    line += std::to_string(uv + 1);
}

// The UV of every corner of a polygon from its triangles; false when two triangles disagree
// at a corner or a corner belongs to no triangle.
bool polygonUVs(const MeshData& mesh, int face, const UVLayout& layout, size_t firstTriangle,
                std::vector<uint32_t>& cornerUVs) {
    const int first = mesh.faceVertexOffset(face);
    cornerUVs.assign(mesh.polygonVertices(face).size(), NIL);
    for (int local = 0; local < mesh.polygonTriangleCount(face); ++local) {
        const int* faceVertices = mesh.triangleFaceVertices(face, local);
        for (int k = 0; k < 3; ++k) {
            const uint32_t uv = layout.indices[3 * (firstTriangle + local) + k];
            uint32_t& corner = cornerUVs[faceVertices[k] - first];
            if (corner != NIL && corner != uv) return false;
            corner = uv;
        }
    }
    for (const uint32_t uv : cornerUVs)
        if (uv == NIL) return false;
    return true;
}

void writeFaces(std::ostream& out, const MeshData& mesh, const UVLayout& layout) {
    std::vector<uint32_t> cornerUVs;
    std::string line;
    size_t triangle = 0;
    for (int face = 0; face < mesh.numPolygons(); ++face) {
        const int triangleCount = mesh.polygonTriangleCount(face);
        if (polygonUVs(mesh, face, layout, triangle, cornerUVs)) {
            startLine(line, 'f');
            const auto vertices = mesh.polygonVertices(face);
            for (size_t local = 0; local < vertices.size(); ++local)
                appendCorner(line, vertices[local], cornerUVs[local]);
            out << line << '\n';
        } else {
            for (int local = 0; local < triangleCount; ++local) {
                startLine(line, 'f');
                const int* vertices = mesh.triangle(face, local);
                for (int k = 0; k < 3; ++k)
                    appendCorner(line, vertices[k], layout.indices[3 * (triangle + local) + k]);
                out << line << '\n';
            }
        }
        triangle += static_cast<size_t>(triangleCount);
    }
}

} // namespace

void checkOutputPath(const std::string& path, const std::string& protectedInput) {
    if (path == protectedInput || sameFile(path, protectedInput))
        throw FileError(path + ": refusing to write over the input file");
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error))
        throw FileError(path + ": the folder " + folder.string() + " does not exist");
}

void writeLayoutObj(const std::string& path, const MObject& mesh, const UVLayout& layout,
                    const std::string& protectedInput) {
    checkOutputPath(path, protectedInput);
    const MeshData& data = *mesh.as<MeshData>();
    assert(layout.indices.size() == 3 * static_cast<size_t>(data.numTriangles()));
    writeFileAtomically(path, [&](std::ostream& out) {
        // No object name: a reader then keeps every vertex in its place.
        out << "# written by varnelle\n";
        std::string line;
        for (const MPoint& p : data.points()) {
            startLine(line, 'v');
            appendNumber(line, p.x);
            appendNumber(line, p.y);
            appendNumber(line, p.z);
            out << line << '\n';
        }
        for (size_t uv = 0; uv < layout.points.size() / 3; ++uv) {
            startLine(line, 'v', 't');
            appendNumber(line, layout.points[3 * uv]);
            appendNumber(line, layout.points[3 * uv + 1]);
            out << line << '\n';
        }
        writeFaces(out, data, layout);
    });
}
