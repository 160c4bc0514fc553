#include "VarnellePlugin.h"

#include "host/UnwrapCommand.h"
#include "host/UnwrapNode.h"
#include "hostapi/HostSession.h"
#include "hostapi/MFnPlugin.h"
#include "hostapi/MGlobal.h"
#include "preview/BusyAnimation.h"
#include "preview/ProgressWindow.h"

namespace {

const char* const kVendor = "Orvalen";
const char* const kVersion = "4.07.00.0";
const char* const kRequiredApiVersion = "Any";
const char* const kCommandName = "varnelleDemo";
const char* const kNodeTypeName = "varnelleDemo_node";
const char* const kCreateUIProcedure = "varnelleDemoCreateUI";
const char* const kDeleteUIProcedure = "varnelleDemoDeleteUI";
const char* const kMenuItemLabel = "Varnelle Demo";
const char* const kParentMenu = "mainUVMenu";
const char* const kMenuItemCommand = "varnelleDemoMenuItemClicked";

MStringArray& menuItems() {
    static MStringArray items;
    return items;
}

// The procedures of the plug-in's script files. The host has no option windows, so the
// menu item unwraps the selected mesh with the command's defaults.
MStatus createUI() {
    return MStatus::kSuccess;
}

MStatus deleteUI() {
    return MStatus::kSuccess;
}

MStatus menuItemClicked() {
    return MGlobal::executeCommand(kCommandName, false, true);
}

} // namespace

MStatus initializePlugin(MObject object) {
    MStatus status;
    MFnPlugin plugin(object, kVendor, kVersion, kRequiredApiVersion);

    status = plugin.registerCommand(kCommandName, tmod_cmd::creator, tmod_cmd::newSyntax);
    if (!status) {
        status.perror("registerCommand");
        return status;
    }
    status = plugin.registerNode(kNodeTypeName, tmod_node::id, tmod_node::creator, tmod_node::initialize,
                                 MPxNode::kDependNode);
    if (!status) {
        status.perror("Failed to register \"varnelle_node\"\n");
        return status;
    }
    status = plugin.registerUI(kCreateUIProcedure, kDeleteUIProcedure, "", "");
    if (!status) {
        status.perror("registerUI");
        return status;
    }
    menuItems() = plugin.addMenuItem(kMenuItemLabel, kParentMenu, kMenuItemCommand, "", false, nullptr, &status);
    if (!status) {
        status.perror("addMenuItem");
        if (menuItems().length() > 0) plugin.removeMenuItem(menuItems());
        return status;
    }
    // The animation is only ever shown in the busy window; a session without one does not
    // spend a core on cutting its frames.
    if (ProgressWindow::display() == ProgressDisplay::Window) prepareBusyAnimation();
    return MStatus::kSuccess;
}

MStatus uninitializePlugin(MObject object) {
    MStatus status;
    MFnPlugin plugin(object, "Unknown", "Unknown", "Any");
    status = plugin.deregisterCommand(kCommandName);
    if (!status) {
        status.perror("deregisterCommand");
        return status;
    }
    status = plugin.deregisterNode(tmod_node::id);
    if (!status) {
        status.perror("failed to deregister \"varnelle_node\"\n");
        return status;
    }
    if (menuItems().length() > 0) plugin.removeMenuItem(menuItems());
    menuItems().clear();
    return MStatus::kSuccess;
}

const MStringArray& varnelleMenuItems() {
    return menuItems();
}

void registerVarnelleModule() {
    HostSession& session = hostSession();
    session.plugins.addModule({"varnelle", initializePlugin, uninitializePlugin, "varnelle"});
    session.commands.defineProcedure(kCreateUIProcedure, createUI);
    session.commands.defineProcedure(kDeleteUIProcedure, deleteUI);
    session.commands.defineProcedure(kMenuItemCommand, menuItemClicked);
}
