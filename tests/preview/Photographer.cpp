// Photographs the windows of a run of preview_screenshot_run on the same display, from a
// process of its own, as a person would see them: `preview_photographer OUTDIR`. It waits
// for each window, takes its pictures (WINDOW.png, and WINDOW-screen.png of the whole
// screen) and closes the modal ones as a user would: the notification with its close box,
// the preview, after making it wide, with Escape.
#include "XScreen.h"

#include "preview/PngImage.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;

struct Photographer {
    explicit Photographer(std::filesystem::path folder) : folder(std::move(folder)) {}

    std::filesystem::path folder;
    XScreen screen;
    bool ok = true;

    XScreen::Window await(const char* title) {
        const XScreen::Window window = screen.waitForWindow(title, 30s);
        if (!window) {
            std::fprintf(stderr, "preview_photographer: no window '%s' appeared\n", title);
            ok = false;
        }
        return window;
    }

    void photograph(const char* name, const XScreen::Window& window) {
        writePng((folder / (std::string(name) + "-screen.png")).string(), screen.grabScreen());
        if (window) writePng((folder / (std::string(name) + ".png")).string(), screen.grab(window));
        std::printf("%s: %s\n", name, (folder / (std::string(name) + ".png")).c_str());
    }

    void run() {
        XScreen::Window busy = await("Varnelle");
        std::this_thread::sleep_for(1500ms);
        photograph("busy-window", busy);
        std::this_thread::sleep_for(1700ms);
        photograph("busy-window-stage", busy);

        XScreen::Window box = await("Notification");
        std::this_thread::sleep_for(300ms);
        photograph("notification", box);
        if (box) screen.clickCloseBox(box);

        XScreen::Window preview = await("Varnelle Unwrap Preview");
        std::this_thread::sleep_for(500ms);
        photograph("preview-window", preview);
        if (!preview) return;
        screen.resize(preview, 1100, 560);
        std::this_thread::sleep_for(700ms);
        photograph("preview-window-wide", preview);
        screen.pressEscape(preview);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_photographer OUTDIR\n");
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        Photographer photographer(argv[1]);
        if (!photographer.screen.connected()) {
            std::fprintf(stderr, "preview_photographer: no display\n");
            return 1;
        }
        photographer.run();
        return photographer.ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "preview_photographer: %s\n", error.what());
        return 1;
    }
}
