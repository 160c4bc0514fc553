#pragma once

#include "preview/PreviewRender.h"

// Shows the preview in a modal window captioned "Varnelle Unwrap Preview" and returns when
// the user closes it (close box or Escape). The window opens as a square client area centred
// on the screen, 20 pixels short of the screen's shorter side; resizing keeps the square
// centred with grey bars. Main thread, with the display open.
void showPreviewWindow(const PreviewRender& render);
