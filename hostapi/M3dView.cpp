#include "M3dView.h"

#include <atomic>

namespace {

std::atomic<bool> batch{false};
constexpr MNativeWindowHdl kMainWindow = 1;

} // namespace

M3dView M3dView::active3dView(MStatus* status) {
    setStatus(status, batch ? MStatus(MStatus::kFailure, "No active view") : MStatus());
    return M3dView();
}

MNativeWindowHdl M3dView::applicationShell(MStatus* status) {
    if (batch) {
        setStatus(status, MStatus(MStatus::kFailure, "No main window in batch mode"));
        return 0;
    }
    setStatus(status, MStatus::kSuccess);
    return kMainWindow;
}

void M3dView::setBatchMode(bool value) {
    batch = value;
}
bool M3dView::batchMode() {
    return batch;
}
