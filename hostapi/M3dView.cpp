#include "M3dView.h"

#include <atomic>

namespace {

std::atomic<MNativeWindowHdl> mainWindow{0};

} // namespace

M3dView M3dView::active3dView(MStatus* status) {
    setStatus(status, mainWindow == 0 ? MStatus(MStatus::kFailure, "No active view") : MStatus());
    return M3dView();
}

MNativeWindowHdl M3dView::applicationShell(MStatus* status) {
    const MNativeWindowHdl window = mainWindow;
    setStatus(status, window == 0 ? MStatus(MStatus::kFailure, "No main window in batch mode") : MStatus());
    return window;
}

void M3dView::setApplicationShell(MNativeWindowHdl window) {
    mainWindow = window;
}
