#include "PreviewOptions.h"

#include "CommandLine.h"

#include "hostapi/AtomicFile.h"
#include "hostapi/MessageBox.h"
#include "preview/BusyAnimation.h"
#include "preview/DisplayConnection.h"
#include "preview/MessageBoxWindow.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewWindow.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"

#include <unistd.h>

#include <charconv>

namespace {

// The word after option `i`, which must be there.
const std::string& valueOf(const std::vector<std::string>& words, size_t i, const char* what) {
    if (i + 1 >= words.size()) throw UsageError(words[i] + " needs " + what);
    return words[i + 1];
}

ProgressDisplay progressDisplay(const PreviewOptions& options) {
    if (options.window) return ProgressDisplay::Window;
    if (options.quiet || !isatty(STDERR_FILENO)) return ProgressDisplay::Silent;
    return ProgressDisplay::Terminal;
}

PreviewPresenter previewPresenter(const PreviewOptions& options) {
    if (options.previewPath.empty() && !options.window) return nullptr;
    return
        [path = options.previewPath, size = options.previewSize, window = options.window](const PreviewRender& render) {
            if (!path.empty()) writePreviewPng(render, size, size, path);
            if (window) showPreviewWindow(render);
        };
}

} // namespace

int32_t parseWholeNumber(const std::string& option, const std::string& text, int32_t lowest, int32_t highest) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        throw UsageError(option + " needs a whole number from " + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ", not '" + text + "'");
    return value;
}

PreviewOptions takePreviewOptions(std::vector<std::string>& words) {
    PreviewOptions options;
    std::vector<std::string> rest;
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--preview") {
            options.previewPath = valueOf(words, i++, "the image file (LAYOUT.png)");
        } else if (words[i] == "--preview-size") {
            options.previewSize = parseWholeNumber("--preview-size", valueOf(words, i++, "a size in pixels"), 16, 8192);
        } else if (words[i] == "--window") {
            options.window = true;
        } else if (words[i] == "--quiet") {
            options.quiet = true;
        } else {
            rest.push_back(words[i]);
        }
    }
    words = std::move(rest);
    return options;
}

PreviewSession::PreviewSession(const PreviewOptions& options, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (!options.previewPath.empty() && sameFile(options.previewPath, input))
            throw FileError(options.previewPath + ": the preview image would overwrite an input file");
    if (options.window) {
        std::string problem;
        if (!openDisplay(problem)) throw UsageError("--window needs a display to show windows on: " + problem);
        window_ = true;
        prepareBusyAnimation();
    }
    const ProgressDisplay display = progressDisplay(options);
    ProgressWindow::setDisplay(display);
    setPreviewPresenter(previewPresenter(options));
    if (display == ProgressDisplay::Window) {
        setMessageBoxPresenter([](const Notification& box) { showMessageBoxWindow(box.caption, box.text); });
    } else if (display == ProgressDisplay::Terminal) {
        setMessageBoxPresenter(
            [](const Notification& box) { ProgressWindow::printLine(box.caption + ": " + box.text); });
    }
}

PreviewSession::~PreviewSession() {
    ProgressWindow::setDisplay(ProgressDisplay::Silent);
    setPreviewPresenter(nullptr);
    setMessageBoxPresenter(nullptr);
    if (window_) closeDisplay();
}
