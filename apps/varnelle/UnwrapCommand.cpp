#include "CommandLine.h"
#include "LayoutObjWriter.h"
#include "PreviewOptions.h"
#include "Subcommands.h"

#include "core/UnwrapDriver.h"
#include "core/VarnelleException.h"
#include "host/UnwrapCommandSyntax.h"
#include "hostapi/MArgDatabase.h"
#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"
#include "hostapi/Scene.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

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

MObject chooseMesh(const std::vector<MObject>& meshes, const std::string& name, const std::string& path) {
    if (name.empty()) return meshes.front();
    std::string names;
    for (const MObject& mesh : meshes) {
        if (mesh.as<MeshData>()->name() == name) return mesh;
        names += (names.empty() ? "" : ", ") + mesh.as<MeshData>()->name();
    }
    throw UsageError("--mesh: " + path + " has no mesh named '" + name + "' (it has " + names + ")");
}

// Every run starts from a new scene with the default cameras and adds the defined ones.
void defineCameras(const std::vector<CameraDefinition>& cameras) {
    Scene::current().reset();
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

// Keeps the busy indicator open for the run and closes it on every path.
struct BusyIndicator {
    BusyIndicator() { ProgressWindow::start("Unwrapping"); }
    ~BusyIndicator() { ProgressWindow::stop(); }
};

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

// Unwraps one mesh of a file with the whole pipeline and writes it with the layout as its UVs.
int runUnwrapCommand(const std::vector<std::string>& words, std::ostream& out) {
    std::vector<std::string> commandWords = words;
    const PreviewOptions previewOptions = takePreviewOptions(commandWords);
    const UnwrapWords unwrapWords = splitUnwrapWords(commandWords);
    UnwrapSettings settings = parseUnwrapFlags(unwrapWords.flags);
    checkOutputPath(unwrapWords.outputPath, unwrapWords.meshPath);
    const PreviewSession session(previewOptions, {unwrapWords.meshPath, unwrapWords.outputPath});
    const Clock::time_point start = Clock::now();
    const std::vector<MObject> meshes = importObj(unwrapWords.meshPath);
    const MObject mesh = chooseMesh(meshes, unwrapWords.meshName, unwrapWords.meshPath);
    defineCameras(unwrapWords.cameras);
    UnwrapReport run;
    run.stages.push_back({"load", millisecondsSince(start)});

    LayoutCapture capture;
    MStatus status;
    try {
        const BusyIndicator busy;
        runUnwrap(settings, status, mesh, MMatrix(), nullptr, &run);
    } catch (const VarnelleException& error) {
        // Raised before the run could show it: there is no main window to own the message.
        std::fprintf(stderr, "varnelle unwrap: %s\n", error.message.c_str());
        return 1;
    }
    if (!status || !capture.layout) return 1;

    const Clock::time_point writing = Clock::now();
    writeLayoutObj(unwrapWords.outputPath, mesh, *capture.layout, unwrapWords.meshPath);
    run.stages.push_back({"write", millisecondsSince(writing)});
    report(out, unwrapWords, run, *capture.layout, settings, millisecondsSince(start));
    return 0;
}
