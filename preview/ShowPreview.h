#pragma once

#include "preview/PreviewRender.h"

#include <functional>

// Where a finished layout goes: a window, an image file, the program that asked for the run.
// The program installs the presenter; without one, showing a preview does nothing.
using PreviewPresenter = std::function<void(const PreviewRender&)>;

// Installs the presenter that `showPreview` hands every layout to; an empty one removes it.
void setPreviewPresenter(PreviewPresenter presenter);

// The presenter installed now (empty when there is none), so that a caller can put itself in
// front of it and restore it afterwards.
PreviewPresenter installedPreviewPresenter();

// Shows the layout and returns when the viewer is done with it.
void showPreview(const PreviewRender& render);
