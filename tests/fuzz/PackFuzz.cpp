// Fuzz target: whole `varnelle pack` and `varnelle outline` runs on a small mesh. The input is
// the mesh file; a first line "# varnelle FLAGS" adds flags to both runs.
#include "FuzzInput.h"

#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"

#include <cmath>
#include <sstream>

namespace {

constexpr size_t kMostTriangles = 256;

// A pack that succeeds writes a mesh with every face mapped inside the unit square.
void checkPacked(const std::string& output) {
    const std::vector<MObject> meshes = importObj(output);
    const MeshData& mesh = *meshes.front().as<MeshData>();
    fuzz::require(mesh.currentUVSet() >= 0, "the packed charts are written as UVs");
    const MeshUVSet& set = mesh.uvSets()[mesh.currentUVSet()];
    for (const int uv : set.faceVertexUVs)
        fuzz::require(uv >= 0, "every face corner gets a UV");
    for (size_t uv = 0; uv < set.u.size(); ++uv)
        fuzz::require(set.u[uv] >= 0.0f && set.u[uv] <= 1.0f && set.v[uv] >= 0.0f && set.v[uv] <= 1.0f,
                      "packed UVs are finite and lie in the unit square");
}

// Runs one subcommand; usage and file errors are answers, not faults.
int run(int (*subcommand)(const std::vector<std::string>&, std::ostream&), const std::vector<std::string>& words) {
    std::ostringstream report;
    try {
        return subcommand(words, report);
    } catch (const UsageError&) {
    } catch (const FileError&) {
    }
    return 2;
}

std::vector<std::string> joined(std::vector<std::string> words, const std::vector<std::string>& more) {
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFolder folder;
    const std::string_view input = fuzz::text(data, size);
    const size_t triangles = fuzz::firstMeshTriangles(input);
    if (triangles == 0 || triangles > kMostTriangles) return 0;

    const std::string mesh = folder.write("mesh.obj", input);
    const std::vector<std::string> flags = fuzz::flagsOf(input);
    const std::string output = folder.path("packed.obj"), picture = folder.path("outline.svg");
    std::filesystem::remove(output);
    if (run(runPack, joined({mesh, "-o", output}, flags)) == 0) checkPacked(output);
    run(runOutline, joined({mesh, "--svg", picture}, flags));
    return 0;
}
