#include "CommandLine.h"
#include "MeshUVLayout.h"
#include "PreviewOptions.h"
#include "Subcommands.h"

#include "hostapi/ObjFile.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"

#include <cstdio>

namespace {

struct PreviewWords {
    std::string meshPath;
    PreviewOptions options;
    int32_t tiles = 1;
};

PreviewWords splitPreviewWords(const std::vector<std::string>& words) {
    SubcommandWords split = splitMeshPath(words, "preview");
    PreviewWords result;
    result.meshPath = split.meshPath;
    result.options = takePreviewOptions(split.rest);
    if (!result.options.previewPath.empty()) throw UsageError("preview writes its image with --png OUT.png");
    for (size_t i = 0; i < split.rest.size(); ++i) {
        const std::string& word = split.rest[i];
        if (word != "--png" && word != "--tiles") throw UsageError("unknown option '" + word + "'");
        if (i + 1 == split.rest.size()) throw UsageError(word + " needs a value");
        if (word == "--png")
            result.options.previewPath = split.rest[++i];
        else
            result.tiles = parseWholeNumber(word, split.rest[++i], 1, 64);
    }
    if (result.options.previewPath.empty() && !result.options.window)
        throw UsageError("preview needs --png OUT.png or --window");
    return result;
}

} // namespace

// Draws the preview of the UV layout a mesh file already has, as an image or in the window.
int runPreview(const std::vector<std::string>& words, std::ostream&) {
    const PreviewWords previewWords = splitPreviewWords(words);
    const PreviewSession session(previewWords.options, {previewWords.meshPath});
    ProgressWindow::start("Reading mesh");
    const std::vector<MObject> meshes = importObj(previewWords.meshPath);
    PreviewRender render(previewWords.options.previewSize, previewWords.options.previewSize, previewWords.tiles);
    if (readUVLayout(meshes, render) == 0) {
        ProgressWindow::stop();
        std::fprintf(stderr, "varnelle preview: %s: no polygon has UVs to show\n", previewWords.meshPath.c_str());
        return 1;
    }
    ProgressWindow::setText("Showing the layout");
    showPreview(render);
    ProgressWindow::stop();
    return 0;
}
