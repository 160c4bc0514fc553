#include "CommandLine.h"
#include "LayoutObjWriter.h"
#include "PreviewOptions.h"
#include "Subcommands.h"

#include "HostShell.h"

#include "core/UnwrapDriver.h"
#include "host/UnwrapCommandSyntax.h"
#include "hostapi/DagNode.h"
#include "hostapi/MArgDatabase.h"
#include "hostapi/MeshData.h"
#include "hostapi/MeshNode.h"
#include "hostapi/Scene.h"
#include "hostapi/SceneFile.h"
#include "preview/ShowPreview.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

namespace {

// The mesh shape below an imported transform.
std::shared_ptr<SceneNode> shapeOf(const SceneNode& transform) {
    return static_cast<const DagNode&>(transform).children().front();
}

// A camera the command line adds to the scene.
struct CameraDefinition {
    std::string name;
    MVector eye, aim;
    bool orthographic = false;
    double width = 0.0;
};

struct UnwrapWords {
    std::string meshPath;
    std::string outputPath;
    std::string meshName;
    bool json = false;
    std::vector<CameraDefinition> cameras;
    // The unwrap command's own flags with their arguments.
    std::vector<std::string> flags;
};

double numberWord(const std::vector<std::string>& words, size_t index, const char* flag) {
    double value = 0.0;
    if (index >= words.size() || !parseDoubleWord(words[index], value))
        throw UsageError(std::string(flag) + " needs a number at word " + std::to_string(index + 1) +
                         (index < words.size() ? ", not '" + words[index] + "'" : ""));
    return value;
}

// --camera-def NAME EYE_X EYE_Y EYE_Z AIM_X AIM_Y AIM_Z [ortho WIDTH], from words[i] on; returns
// the index of its last word.
size_t readCameraDefinition(const std::vector<std::string>& words, size_t i, CameraDefinition& camera) {
    if (i + 1 >= words.size() || words[i + 1].empty())
        throw UsageError("--camera-def needs NAME EYE_X EYE_Y EYE_Z AIM_X AIM_Y AIM_Z [ortho WIDTH]");
    camera.name = words[i + 1];
    camera.eye = {numberWord(words, i + 2, "--camera-def"), numberWord(words, i + 3, "--camera-def"),
                  numberWord(words, i + 4, "--camera-def")};
    camera.aim = {numberWord(words, i + 5, "--camera-def"), numberWord(words, i + 6, "--camera-def"),
                  numberWord(words, i + 7, "--camera-def")};
    if (i + 8 >= words.size() || words[i + 8] != "ortho") return i + 7;
    camera.orthographic = true;
    camera.width = numberWord(words, i + 9, "--camera-def ... ortho");
    if (camera.width <= 0.0) throw UsageError("--camera-def ... ortho needs a width above 0");
    return i + 9;
}

UnwrapWords splitUnwrapWords(const std::vector<std::string>& words) {
    const SubcommandWords split = splitMeshPath(words, "unwrap");
    const MSyntax syntax = unwrapCommandSyntax();
    UnwrapWords result;
    result.meshPath = split.meshPath;
    const std::vector<std::string>& rest = split.rest;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& word = rest[i];
        if (syntax.find(word)) {
            // A flag of the unwrap command and its argument; the syntax checks both.
            result.flags.push_back(word);
            if (i + 1 < rest.size()) result.flags.push_back(rest[++i]);
        } else if (word == "--json") {
            result.json = true;
        } else if (word == "-o" || word == "--mesh") {
            if (i + 1 == rest.size())
                throw UsageError(word + " needs " + (word == "-o" ? "the output file" : "a name"));
            (word == "-o" ? result.outputPath : result.meshName) = rest[++i];
        } else if (word == "--camera-def") {
            i = readCameraDefinition(rest, i, result.cameras.emplace_back());
        } else {
            result.flags.push_back(word);
        }
    }
    if (result.outputPath.empty()) throw UsageError("unwrap needs an output file: -o OUT.obj");
    return result;
}

// The transform of the mesh to unwrap among the imported ones: the first, or the one whose
// mesh has the name asked for.
std::string chooseTransform(const std::vector<std::shared_ptr<SceneNode>>& transforms, const std::string& name,
                            const std::string& path) {
    std::string names;
    for (const std::shared_ptr<SceneNode>& transform : transforms) {
        const std::string meshName = meshDataOf(MObject(shapeOf(*transform)))->name();
        if (name.empty() || meshName == name) return transform->name();
        names += (names.empty() ? "" : ", ") + meshName;
    }
    throw UsageError("--mesh: " + path + " has no mesh named '" + name + "' (it has " + names + ")");
}

// Adds the defined cameras to the new scene.
void defineCameras(const std::vector<CameraDefinition>& cameras) {
    for (const CameraDefinition& camera : cameras)
        if (!Scene::current().addCamera(camera.name, camera.eye, camera.aim, camera.orthographic, camera.width))
            throw UsageError("--camera-def " + camera.name +
                             ": the name is taken or the eye and the aim are the same point");
}

// The UV area of the layout per tile.
double efficiency(const UVLayout& layout, const UnwrapSettings& settings) {
    double area = 0.0;
    for (size_t t = 0; t + 2 < layout.indices.size(); t += 3) {
        const float* a = &layout.points[3 * size_t{layout.indices[t]}];
        const float* b = &layout.points[3 * size_t{layout.indices[t + 1]}];
        const float* c = &layout.points[3 * size_t{layout.indices[t + 2]}];
        area += 0.5 * std::fabs((double(b[0]) - a[0]) * (double(c[1]) - a[1]) -
                                (double(c[0]) - a[0]) * (double(b[1]) - a[1]));
    }
    const double tiles =
        settings.tile_mode == 1 ? double(std::max(settings.tile_numx, 1)) * std::max(settings.tile_numy, 1) : 1.0;
    return area / tiles;
}

// Takes over the layout the run shows, for the command to write, and passes it on to the
// preview the user asked for.
struct LayoutCapture {
    LayoutCapture() : shown(installedPreviewPresenter()) {
        setPreviewPresenter([this](const PreviewRender& render) {
            layout = UVLayout{render.points, render.indices};
            if (shown) shown(render);
        });
    }
    ~LayoutCapture() { setPreviewPresenter(shown); }
    PreviewPresenter shown;
    std::optional<UVLayout> layout;
};

void report(std::ostream& out, const UnwrapWords& words, const UnwrapReport& run, const UVLayout& layout,
            const UnwrapSettings& settings, double totalMs) {
    char line[1024];
    if (!words.json) {
        char stretch[64] = "";
        if (run.largestStretch) std::snprintf(stretch, sizeof stretch, ", largest stretch %.4f", *run.largestStretch);
        std::snprintf(line, sizeof line, "%zu charts%s, efficiency %.3f, %.0f ms -> %s\n", run.charts, stretch,
                      efficiency(layout, settings), totalMs, words.outputPath.c_str());
        out << line;
        return;
    }
    std::string stages;
    for (const UnwrapReport::Stage& stage : run.stages) {
        std::snprintf(line, sizeof line, "%s\"%s\": %.3f", stages.empty() ? "" : ", ", stage.name, stage.milliseconds);
        stages += line;
    }
    char stretch[32] = "null";
    if (run.largestStretch) std::snprintf(stretch, sizeof stretch, "%.6f", *run.largestStretch);
    std::snprintf(line, sizeof line,
                  "{\"charts\": %zu, \"max_stretch\": %s, \"uv_count\": %zu, \"efficiency\": %.4f, \"time_ms\": %.3f, ",
                  run.charts, stretch, layout.points.size() / 3, efficiency(layout, settings), totalMs);
    out << line << "\"stages_ms\": {" << stages << "}}\n";
}

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

// Unwraps one mesh of a file the way a user of the host does: loads the plug-in, imports the
// file, selects the mesh, runs the unwrap command with the given flags and evaluates the mesh,
// which runs the unwrap node; then writes the mesh with the layout as its UVs.
int runUnwrapCommand(const std::vector<std::string>& words, std::ostream& out) {
    std::vector<std::string> commandWords = words;
    const PreviewOptions previewOptions = takePreviewOptions(commandWords);
    const UnwrapWords unwrapWords = splitUnwrapWords(commandWords);
    UnwrapSettings settings = parseUnwrapFlags(unwrapWords.flags);
    settings.normalize();
    checkOutputPath(unwrapWords.outputPath, unwrapWords.meshPath);
    const PreviewSession session(previewOptions, {unwrapWords.meshPath, unwrapWords.outputPath});
    const Clock::time_point start = Clock::now();
    std::ostringstream results;
    HostShell shell(results);
    CommandResult result;
    std::string error;
    const auto command = [&](std::vector<std::string> words) {
        if (shell.execute(words, result, error)) return true;
        std::fprintf(stderr, "varnelle unwrap: %s: %s\n", words[0].c_str(), error.c_str());
        return false;
    };
    if (!command({"loadPlugin", "varnelle"})) return 1;
    defineCameras(unwrapWords.cameras);
    const std::vector<std::shared_ptr<SceneNode>> transforms = importObjIntoScene(unwrapWords.meshPath);
    const std::string transform = chooseTransform(transforms, unwrapWords.meshName, unwrapWords.meshPath);
    std::vector<std::string> unwrap{"varnelleDemo"};
    unwrap.insert(unwrap.end(), unwrapWords.flags.begin(), unwrapWords.flags.end());
    if (!command({"select", transform}) || !command(unwrap)) return 1;

    UnwrapReport run;
    run.stages.push_back({"load", millisecondsSince(start)});
    const UnwrapReportScope reportScope(run);
    LayoutCapture capture;
    const std::shared_ptr<SceneNode> shape = shapeOf(*Scene::current().find(transform));
    if (!command({"dgeval", shape->name()}) || !capture.layout) return 1;

    const Clock::time_point writing = Clock::now();
    writeLayoutObj(unwrapWords.outputPath, std::static_pointer_cast<MeshNode>(shape)->outputMesh(), *capture.layout,
                   unwrapWords.meshPath);
    run.stages.push_back({"write", millisecondsSince(writing)});
    report(out, unwrapWords, run, *capture.layout, settings, millisecondsSince(start));
    return 0;
}
