#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a run shows its preview, its progress and its notifications, from the command line:
//   --preview PATH     write the preview of the finished layout as a PNG image
//   --preview-size N   the image's size in pixels (N x N, 16 to 8192; default 1024)
//   --window           show the preview in a window (the run waits until it is closed), the
//                      busy window while the run works and notifications as message boxes
//   --quiet            no progress line on standard error
// Without --window, progress is a one-line indicator on standard error when that is a
// terminal, and notifications are lines "Notification: TEXT" on standard error.
struct PreviewOptions {
    std::string previewPath;
    int32_t previewSize = 1024;
    bool window = false;
    bool quiet = false;
};

// Takes the options above out of `words`, leaving the other words in their order. Throws
// UsageError for a missing or bad value.
PreviewOptions takePreviewOptions(std::vector<std::string>& words);

// The value of a whole-number option; throws UsageError naming the option and the range for
// anything else.
int32_t parseWholeNumber(const std::string& option, const std::string& text, int32_t lowest, int32_t highest);

// Puts the options into effect for its lifetime: the presenter that `showPreview` hands
// layouts to, the busy indicator's display and the presentation of message boxes. With
// --window it opens the display (UsageError when there is none) and starts cutting the busy
// animation. Throws FileError when the preview image would overwrite one of `inputs`.
// The destructor closes an open busy indicator and restores the defaults.
class PreviewSession {
public:
    PreviewSession(const PreviewOptions& options, const std::vector<std::string>& inputs);
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

private:
    bool window_ = false;
};
