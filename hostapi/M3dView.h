#pragma once

#include "MStatus.h"

#include <cstdint>

// Handle of a native window (an X11 window id on Linux); 0 for none.
using MNativeWindowHdl = std::uintptr_t;

// A 3D view of the host, and the way to the host's main window.
class M3dView {
public:
    // Fails in a batch session, which has no views.
    static M3dView active3dView(MStatus* status = nullptr);
    // The host's main window; fails with a null handle in a batch session, where there is none.
    static MNativeWindowHdl applicationShell(MStatus* status = nullptr);

    MStatus beginGL() { return MStatus::kSuccess; }
    MStatus endGL() { return MStatus::kSuccess; }

    // The session's main window. A session starts in batch mode (0, no window); a program that
    // stands for an interactive session sets the handle of its window.
    static void setApplicationShell(MNativeWindowHdl window);
};
