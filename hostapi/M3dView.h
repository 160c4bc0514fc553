#pragma once

#include "MDagPath.h"
#include "MStatus.h"
#include "MString.h"

#include <cstdint>
#include <string>

struct PanelImage;

// Handle of a native window (an X11 window id on Linux); 0 for none.
using MNativeWindowHdl = std::uintptr_t;

// A 3D view of the host: the view of one model panel, seen through the panel's camera.
// Refreshing it draws the scene's visible meshes as wireframes into the panel's picture and
// then calls the panel's post-render callbacks, which may draw over it between beginGL and
// endGL with the GL table of MHardwareRenderer.
class M3dView {
public:
    M3dView() = default;

    // The view of the active panel ("modelPanel4"); fails in a batch session, which has no
    // views, and when the panel is gone.
    static M3dView active3dView(MStatus* status = nullptr);
    // The view of a model panel; fails when the session has no model panel of that name.
    static MStatus getM3dViewFromModelPanel(const MString& panelName, M3dView& view);
    // The host's main window; fails with a null handle in a batch session, where there is none.
    static MNativeWindowHdl applicationShell(MStatus* status = nullptr);
    // The session's main window. A session starts in batch mode (0, no window); a program that
    // stands for an interactive session sets the handle of its window.
    static void setApplicationShell(MNativeWindowHdl window);

    // The camera shape the view looks through.
    MStatus getCamera(MDagPath& camera) const;
    // Makes the view's picture the target of the GL table, with the model-view matrix set to
    // the camera's view and the projection to its lens; endGL ends it.
    MStatus beginGL();
    MStatus endGL();
    // Draws this view (or, with `all`, every model panel).
    MStatus refresh(bool all = false, bool force = false);
    int portWidth(MStatus* status = nullptr) const;
    int portHeight(MStatus* status = nullptr) const;
    // The picture of the view's last refresh; null when the panel is gone.
    const PanelImage* image() const;
    const std::string& panelName() const { return panel_; }

    // Draws every model panel.
    static void refreshModelPanels();
    // Moves the model panels' cameras along their view direction (and sets the orthographic
    // ones' width) so that every visible mesh fills their view; false when there is none.
    static bool fitModelPanels();

private:
    explicit M3dView(std::string panel) : panel_(std::move(panel)) {}

    std::string panel_;
};
