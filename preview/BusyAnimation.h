#pragma once

#include "preview/PixelCanvas.h"

// The busy window's animation frames and logo, decoded from the pictures linked into the
// program. The frames are cut from the sheet once per process on a thread of their own, so a
// window that shows them never waits for the cutting: a frame not cut yet is simply skipped.
constexpr int busyFrameCount = 80;
constexpr int busyFrameSide = 200;
constexpr int busySheetColumns = 10;
constexpr int busySheetRows = 8;

// Starts cutting the frames unless that has already started. Any thread.
void prepareBusyAnimation();

// The frame, or null while it is not cut (or the sheet could not be decoded). Any thread;
// a frame once returned never changes.
const PixelCanvas* busyFrame(int index);

// Waits until the cutting has finished (all frames ready, or the sheet found unusable).
void waitForBusyAnimation();

// The logo (empty when it cannot be decoded). Decoded on first use.
const PixelCanvas& busyLogo();
