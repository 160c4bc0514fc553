#include "UVCharts.h"

#include "CommandLine.h"

#include "core/BoxProjection.h"
#include "core/ExistingUVs.h"
#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "core/VarnelleException.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/MeshData.h"
#include "packer/ChartPreparation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

namespace {

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

// The charts of the unwrap's box projection: every polygon projected along the axis its
// triangles face most (by area), charts cut where the axis changes, each corner its own UV.
void boxProjectedCharts(const MeshData& data, const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                        std::vector<uint32_t> adjacency, std::vector<uint32_t> falseEdges, UVCharts& charts) {
    UnwrapMesh projected;
    projectToBoxes(UnwrapMesh(positions, indices), projected, adjacency, falseEdges);
    charts.uvs.resize(projected.uvCount());
    for (size_t uv = 0; uv < charts.uvs.size(); ++uv)
        charts.uvs[uv] = {projected.uvs[3 * uv], projected.uvs[3 * uv + 1]};
    charts.triangles = std::move(projected.uv_indices);
    for (int face = 0; face < data.numPolygons(); ++face)
        for (int t = 0; t < data.polygonTriangleCount(face); ++t)
            charts.cornerFaceVertices.insert(charts.cornerFaceVertices.end(), data.triangleFaceVertices(face, t),
                                             data.triangleFaceVertices(face, t) + 3);
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
        // Faces without UVs are refused as the unwrap's existing-UV method refuses them.
        try {
            UnwrapMesh existingUVs;
            readExistingUVs(mesh, existingUVs);
        } catch (const VarnelleException& error) {
            problem = error.message;
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
        boxProjectedCharts(*data, positions, indices, adjacency, falseEdges, charts);
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
