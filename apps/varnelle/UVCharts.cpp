#include "UVCharts.h"

#include "CommandLine.h"

#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/MeshData.h"
#include "packer/ChartPreparation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

namespace {

// Face numbers (from 1, as in the file) of the faces with a corner that has no UV.
std::vector<int> facesWithoutUVs(const MeshData& data, const MeshUVSet& set) {
    std::vector<int> faces;
    for (int face = 0; face < data.numPolygons(); ++face) {
        const int first = data.faceVertexOffset(face);
        const int count = static_cast<int>(data.polygonVertices(face).size());
        for (int corner = first; corner < first + count; ++corner)
            if (set.faceVertexUVs[corner] < 0) {
                faces.push_back(face + 1);
                break;
            }
    }
    return faces;
}

std::string describeFacesWithoutUVs(const std::vector<int>& faces, int faceCount) {
    constexpr size_t kListed = 10;
    std::string text = std::to_string(faces.size()) + " of " + std::to_string(faceCount) + " faces have no UVs (face" +
                       (faces.size() > 1 ? "s " : " ");
    for (size_t i = 0; i < std::min(faces.size(), kListed); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(faces[i]);
    if (faces.size() > kListed) text += ", ...";
    return text + "); existing UVs are packed only when every face has them";
}

// The UV of every triangle corner and the corner's face-vertex, all faces being mapped.
void gatherTriangleUVs(const MeshData& data, const MeshUVSet& set, UVCharts& charts, std::vector<int>& meshUVs) {
    for (int face = 0; face < data.numPolygons(); ++face)
        for (int t = 0; t < data.polygonTriangleCount(face); ++t) {
            const int* faceVertices = data.triangleFaceVertices(face, t);
            for (int k = 0; k < 3; ++k) {
                charts.cornerFaceVertices.push_back(faceVertices[k]);
                meshUVs.push_back(set.faceVertexUVs[faceVertices[k]]);
            }
        }
}

// Gives every chart its own copy of the UVs it shares with charts found before it.
void separateSharedUVs(const MeshUVSet& set, const std::vector<int>& meshUVs, UVCharts& charts) {
    std::vector<uint32_t> chartIds;
    charts.chartCount = OmbrixVectorPacker::findChartIds(charts.adjacency, meshUVs.size() / 3, chartIds);
    std::map<std::pair<uint32_t, int>, uint32_t> packedUV;
    charts.triangles.resize(meshUVs.size());
    for (size_t corner = 0; corner < meshUVs.size(); ++corner) {
        const int uv = meshUVs[corner];
        const auto [entry, added] =
            packedUV.try_emplace({chartIds[corner / 3], uv}, static_cast<uint32_t>(charts.uvs.size()));
        if (added) charts.uvs.push_back({set.u[uv], set.v[uv]});
        charts.triangles[corner] = entry->second;
    }
}

// Six-axis box projection of every polygon along the axis its triangles face most (by
// area), with the adjacency cut between polygons of different axes: the charts a mesh
// without UVs is packed by.
void boxProjectedCharts(const MeshData& data, const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                        std::vector<uint32_t> adjacency, UVCharts& charts) {
    std::vector<int> axis;
    axis.reserve(indices.size() / 3);
    size_t triangle = 0;
    for (int face = 0; face < data.numPolygons(); ++face) {
        float area[6] = {0, 0, 0, 0, 0, 0};
        for (int t = 0; t < data.polygonTriangleCount(face); ++t, ++triangle) {
            float p[3][3];
            for (int k = 0; k < 3; ++k)
                for (int d = 0; d < 3; ++d)
                    p[k][d] = positions[3 * indices[3 * triangle + k] + d];
            const float a[3] = {p[0][0] - p[1][0], p[0][1] - p[1][1], p[0][2] - p[1][2]};
            const float b[3] = {p[0][0] - p[2][0], p[0][1] - p[2][1], p[0][2] - p[2][2]};
            const float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            if (n[0] == 0 && n[1] == 0 && n[2] == 0) continue;
            const float side[6] = {n[0], -n[0], n[1], -n[1], n[2], -n[2]};
            const int best = static_cast<int>(std::max_element(side, side + 6) - side);
            area[best] += 0.5f * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        }
        int winner = 0;
        for (int c = 1; c < 6; ++c)
            if (area[c] > area[winner]) winner = c;
        axis.insert(axis.end(), static_cast<size_t>(data.polygonTriangleCount(face)), winner);
    }
    for (size_t corner = 0; corner < adjacency.size(); ++corner)
        if (adjacency[corner] != NIL && axis[adjacency[corner]] != axis[corner / 3]) adjacency[corner] = NIL;

    triangle = 0;
    for (int face = 0; face < data.numPolygons(); ++face) {
        for (int t = 0; t < data.polygonTriangleCount(face); ++t, ++triangle) {
            const int* faceVertices = data.triangleFaceVertices(face, t);
            for (int k = 0; k < 3; ++k) {
                const float* p = &positions[3 * indices[3 * triangle + k]];
                static constexpr int uAxis[6] = {1, 1, 0, 0, 0, 0}, vAxis[6] = {2, 2, 2, 2, 1, 1};
                static constexpr float uSign[6] = {1, -1, 1, 1, 1, 1}, vSign[6] = {1, 1, -1, 1, 1, -1};
                const int c = axis[triangle];
                charts.triangles.push_back(static_cast<uint32_t>(charts.uvs.size()));
                charts.uvs.push_back({uSign[c] * p[uAxis[c]], vSign[c] * p[vAxis[c]]});
                charts.cornerFaceVertices.push_back(faceVertices[k]);
            }
        }
    }
    charts.adjacency = std::move(adjacency);
    std::vector<uint32_t> chartIds;
    charts.chartCount = OmbrixVectorPacker::findChartIds(charts.adjacency, charts.triangles.size() / 3, chartIds);
}

} // namespace

bool readUVCharts(const MObject& mesh, UVCharts& charts, std::string& problem) {
    charts = UVCharts{};
    const MeshData* data = mesh.as<MeshData>();
    const bool existing = data->currentUVSet() >= 0;
    if (existing) {
        const std::vector<int> unmapped = facesWithoutUVs(*data, data->uvSets()[data->currentUVSet()]);
        if (!unmapped.empty()) {
            problem = describeFacesWithoutUVs(unmapped, data->numPolygons());
            return false;
        }
    }
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.unwrap_type = existing ? ExistingUVs : BoxProjection;
    settings.normalize();
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
    if (!status) {
        problem = "the mesh data could not be collected";
        return false;
    }
    const std::vector<uint32_t> adjacency = collectAdjacency(UnwrapMesh(positions, indices), cutMarks);
    if (adjacency.size() != indices.size() || static_cast<int>(indices.size() / 3) != data->numTriangles()) {
        problem = "the triangle adjacency could not be built";
        return false;
    }
    if (!existing) {
        boxProjectedCharts(*data, positions, indices, adjacency, charts);
        return true;
    }
    const MeshUVSet& set = data->uvSets()[data->currentUVSet()];
    std::vector<int> meshUVs;
    gatherTriangleUVs(*data, set, charts, meshUVs);
    charts.adjacency = adjacency;
    separateSharedUVs(set, meshUVs, charts);
    return true;
}

void writeUVCharts(const MObject& mesh, const UVCharts& charts) {
    MeshData* data = mesh.as<MeshData>();
    if (data->currentUVSet() < 0) {
        data->createUVSet("map1");
        data->setCurrentUVSet(static_cast<int>(data->uvSets().size()) - 1);
    }
    MeshUVSet& set = data->uvSets()[data->currentUVSet()];
    set.u.clear();
    set.v.clear();
    // UVs equal in single precision become one, numbered in order of first use.
    std::map<std::pair<float, float>, int> welded;
    std::vector<int> number(charts.uvs.size());
    for (size_t i = 0; i < charts.uvs.size(); ++i) {
        const std::pair<float, float> uv{static_cast<float>(charts.uvs[i].x), static_cast<float>(charts.uvs[i].y)};
        const auto [entry, added] = welded.try_emplace(uv, static_cast<int>(set.u.size()));
        if (added) {
            set.u.push_back(uv.first);
            set.v.push_back(uv.second);
        }
        number[i] = entry->second;
    }
    std::fill(set.faceVertexUVs.begin(), set.faceVertexUVs.end(), -1);
    for (size_t corner = 0; corner < charts.triangles.size(); ++corner)
        set.faceVertexUVs[charts.cornerFaceVertices[corner]] = number[charts.triangles[corner]];
}

OmbrixVectorPacker::PackSettings packSettingsFromFlags(const std::vector<std::string>& words) {
    static const std::set<std::string> allowed = {"-pad",    "-padding", "-w",        "-width",       "-h",
                                                  "-height", "-p",       "pack_mode", "-pr",          "pre_rotate",
                                                  "-ro",     "rotation", "-fr",       "full_rotation"};
    for (const std::string& word : words)
        if (!word.empty() && word[0] == '-' && word.size() > 1 && !std::isdigit(static_cast<unsigned char>(word[1])) &&
            word[1] != '.' && allowed.count(word) == 0)
            throw UsageError("unknown flag '" + word + "'");
    UnwrapSettings settings = parseUnwrapFlags(words);
    settings.normalize();
    if (settings.pack_mode != 1 && settings.pack_mode != 2)
        throw UsageError("-p takes 1 or 2 (the polygon chart packer's modes)");
    return OmbrixVectorPacker::makePackSettings(settings.tex_width, settings.tex_height, settings.padding,
                                                settings.pre_rotate, settings.rotation, settings.full_rotation,
                                                settings.pack_mode);
}
