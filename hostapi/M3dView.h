#pragma once

#include "MStatus.h"

#include <cstdint>

// Handle of a native window (an X11 window id on Linux); 0 for none.
using MNativeWindowHdl = std::uintptr_t;

// A 3D view of the host, and the way to the host's main window.
class M3dView {
public:
    static M3dView active3dView(MStatus* status = nullptr);
    // The host's main window; fails with a null handle in batch mode, where there is none.
    static MNativeWindowHdl applicationShell(MStatus* status = nullptr);

    MStatus beginGL() { return MStatus::kSuccess; }
    MStatus endGL() { return MStatus::kSuccess; }

    // Batch mode: the program runs without a main window.
    static void setBatchMode(bool batch);
    static bool batchMode();
};
