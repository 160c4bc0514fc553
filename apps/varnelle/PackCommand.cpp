#include "CommandLine.h"
#include "Subcommands.h"
#include "UVCharts.h"

#include "core/VarnelleException.h"
#include "engine/UVAtlasProxy.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/ObjFile.h"
#include "packer/Pack.h"
#include "packer/PackErrors.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

struct PackWords {
    std::string meshPath;
    std::string outputPath;
    bool json = false;
    std::vector<std::string> flags;
};

PackWords splitPackWords(const std::vector<std::string>& words) {
    const SubcommandWords split = splitMeshPath(words, "pack");
    PackWords result;
    result.meshPath = split.meshPath;
    for (size_t i = 0; i < split.rest.size(); ++i) {
        if (split.rest[i] == "--json") {
            result.json = true;
        } else if (split.rest[i] == "-o") {
            if (i + 1 == split.rest.size()) throw UsageError("-o needs the output file (OUT.obj)");
            result.outputPath = outputFileName("-o", split.rest[++i]);
        } else {
            result.flags.push_back(split.rest[i]);
        }
    }
    if (result.outputPath.empty()) throw UsageError("pack needs an output file: -o OUT.obj");
    return result;
}

// What the unwrap does with a packed layout: stretch it to the texture's aspect, move it into
// the unit square and shrink it for the padding around the square's border. Throws the
// packing message (VarnelleException) when the padding leaves no room.
void finishLayout(std::vector<float>& u, std::vector<float>& v, const UnwrapSettings& settings) {
    UnwrapMesh layout;
    layout.uvs.reserve(3 * u.size());
    for (size_t i = 0; i < u.size(); ++i)
        layout.uvs.insert(layout.uvs.end(), {u[i], v[i], 0.0f});
    UVAtlasProxy proxy;
    proxy.setSettings(settings);
    proxy.fitAspect(layout);
    proxy.normalizeToUnitSquare(layout);
    proxy.applyPadding(layout);
    for (size_t i = 0; i < u.size(); ++i) {
        u[i] = layout.uvs[3 * i];
        v[i] = layout.uvs[3 * i + 1];
    }
}

double layoutArea(const UVCharts& charts, const std::vector<float>& u, const std::vector<float>& v) {
    double area = 0.0;
    for (size_t t = 0; t + 2 < charts.triangles.size(); t += 3) {
        const uint32_t a = charts.triangles[t], b = charts.triangles[t + 1], c = charts.triangles[t + 2];
        area += 0.5 *
                std::abs((double(u[b]) - u[a]) * (double(v[c]) - v[a]) - (double(u[c]) - u[a]) * (double(v[b]) - v[a]));
    }
    return area;
}

} // namespace

// Packs the charts of a mesh's existing UVs with the polygon chart packer, as the unwrap's
// layout stage does for pack modes 1 and 2 (charts keep their own scale), and writes the
// mesh with the packed UVs.
int runPack(const std::vector<std::string>& words, std::ostream& out) {
    const PackWords packWords = splitPackWords(words);
    const OmbrixVectorPacker::PackSettings settings = packSettingsFromFlags(packWords.flags);
    UnwrapSettings unwrap = parseUnwrapFlags(packWords.flags);
    unwrap.normalize();
    if (sameFile(packWords.meshPath, packWords.outputPath))
        throw FileError(packWords.outputPath + ": the output would overwrite the input mesh");
    const std::vector<MObject> meshes = importObj(packWords.meshPath);

    UVCharts charts;
    std::string problem;
    if (!readUVCharts(meshes.front(), charts, problem)) {
        std::fprintf(stderr, "varnelle pack: %s: %s\n", packWords.meshPath.c_str(), problem.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    OmbrixVectorPacker::VectorPacker packer;
    try {
        OmbrixVectorPacker::pack(packer, charts.uvs, charts.triangles, charts.adjacency, settings,
                                 std::span<const uint32_t>{});
    } catch (const OmbrixVectorPacker::PackInputError& error) {
        throw FileError(packWords.meshPath + ": " + error.what());
    } catch (const OmbrixVectorPacker::PackSpaceError& error) {
        std::fprintf(stderr, "varnelle %s\n", error.what());
        return 1;
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    std::vector<float> u(charts.uvs.size()), v(charts.uvs.size());
    for (size_t i = 0; i < charts.uvs.size(); ++i) {
        u[i] = static_cast<float>(charts.uvs[i].x);
        v[i] = static_cast<float>(charts.uvs[i].y);
    }
    try {
        finishLayout(u, v, unwrap);
    } catch (const VarnelleException& error) {
        notifyUser(error, M3dView::applicationShell());
        return 1;
    }
    for (size_t i = 0; i < charts.uvs.size(); ++i)
        charts.uvs[i] = {u[i], v[i]};
    writeUVCharts(meshes.front(), charts);
    exportObj(packWords.outputPath, meshes, packWords.meshPath);

    if (packWords.json) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "{\"charts\": %u, \"time_ms\": %.3f, \"extent\": [%.6f, %.6f], \"efficiency\": %.4f}\n",
                      charts.chartCount, milliseconds, packer.extent_x, packer.extent_y, layoutArea(charts, u, v));
        out << line;
    }
    return 0;
}
