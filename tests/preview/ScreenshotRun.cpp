// Plays an unwrap run's windows for preview_photographer: `preview_screenshot_run MESH.obj`.
// The main thread opens the busy window with "Unwrapping" and stays busy (handling no window
// events) while the stage text changes, shows a notification box, then shows the mesh file's
// UV layout in the modal preview window and closes the busy window after it, as the unwrap
// does. Each modal window waits for the photographer to close it.
#include "apps/varnelle/MeshUVLayout.h"
#include "hostapi/MessageBox.h"
#include "hostapi/ObjFile.h"
#include "preview/DisplayConnection.h"
#include "preview/MessageBoxWindow.h"
#include "preview/PreviewWindow.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"

#include <cstdio>
#include <exception>
#include <thread>

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_screenshot_run MESH.obj\n");
        return 2;
    }
    try {
        std::string problem;
        if (!openDisplay(problem)) {
            std::fprintf(stderr, "preview_screenshot_run: no display: %s\n", problem.c_str());
            return 1;
        }
        PreviewRender render(1024, 1024, 1);
        readUVLayout(importObj(argv[1]), render);
        setPreviewPresenter(showPreviewWindow);
        setMessageBoxPresenter([](const Notification& box) { showMessageBoxWindow(box.caption, box.text); });
        ProgressWindow::setDisplay(ProgressDisplay::Window);

        ProgressWindow::start("Unwrapping");
        std::this_thread::sleep_for(2500ms); // the run is busy
        ProgressWindow::setText("Generating UV set");
        std::this_thread::sleep_for(1500ms);
        MessageBoxA(0, "Cannot collect adjacency data for mesh.", "Notification", MB_OK);
        showPreview(render);
        ProgressWindow::stop();
        ProgressWindow::setDisplay(ProgressDisplay::Silent);
        setMessageBoxPresenter(nullptr);
        closeDisplay();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "preview_screenshot_run: %s\n", error.what());
        return 1;
    }
}
