// Fuzz target: a whole `varnelle charts --pack` run on a small mesh. The input is the mesh
// file; a first line "# varnelle FLAGS" replaces the default flags "--pack 64 64 2".
#include "FuzzInput.h"

#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/MeshData.h"
#include "hostapi/MessageBox.h"
#include "hostapi/ObjFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// Small meshes keep a run short; the chart engine's cost grows faster than the mesh.
constexpr size_t kMostTriangles = 128;
// Larger textures are valid but take seconds to pack, which would read as a hang.
constexpr unsigned long long kLargestTexture = 4096;

bool packsLargeTexture(const std::vector<std::string>& flags) {
    for (size_t i = 0; i + 2 < flags.size(); ++i)
        if (flags[i] == "--pack" && (std::strtoull(flags[i + 1].c_str(), nullptr, 10) > kLargestTexture ||
                                     std::strtoull(flags[i + 2].c_str(), nullptr, 10) > kLargestTexture))
            return true;
    return false;
}

// A run that succeeds writes a mesh with UVs on every face, inside the unit square when packed.
void checkOutput(const std::string& output, bool packed) {
    const std::vector<MObject> meshes = importObj(output);
    const MeshData& mesh = *meshes.front().as<MeshData>();
    fuzz::require(mesh.currentUVSet() >= 0, "the charts are written as UVs");
    const MeshUVSet& set = mesh.uvSets()[mesh.currentUVSet()];
    for (const int uv : set.faceVertexUVs)
        fuzz::require(uv >= 0, "every face corner gets a UV");
    for (size_t uv = 0; uv < set.u.size(); ++uv) {
        fuzz::require(std::isfinite(set.u[uv]) && std::isfinite(set.v[uv]), "UVs are finite");
        if (packed)
            fuzz::require(set.u[uv] >= 0.0f && set.u[uv] <= 1.0f && set.v[uv] >= 0.0f && set.v[uv] <= 1.0f,
                          "packed UVs lie in the unit square");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFolder folder;
    const std::string_view input = fuzz::text(data, size);
    const size_t triangles = fuzz::firstMeshTriangles(input);
    std::vector<std::string> flags = fuzz::flagsOf(input);
    if (flags.empty()) flags = {"--pack", "64", "64", "2"};
    if (triangles == 0 || triangles > kMostTriangles || packsLargeTexture(flags)) return 0;

    std::vector<std::string> words{folder.write("mesh.obj", input)};
    words.insert(words.end(), flags.begin(), flags.end());
    const std::string output = folder.path("charts.obj");
    std::filesystem::remove(output);
    words.insert(words.end(), {"-o", output});
    std::ostringstream report;
    int code = 2;
    try {
        code = runCharts(words, report);
    } catch (const UsageError&) {
    } catch (const FileError&) {
    }
    clearShownNotifications();
    if (code == 0) checkOutput(output, std::find(flags.begin(), flags.end(), "--pack") != flags.end());
    return 0;
}
