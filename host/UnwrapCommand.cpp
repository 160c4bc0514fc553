#include "UnwrapCommand.h"

#include "core/UnwrapDriver.h"
#include "core/VarnelleException.h"
#include "host/UnwrapCommandSyntax.h"
#include "host/UnwrapNode.h"
#include "hostapi/MArgDatabase.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MPlug.h"
#include "hostapi/MSelectionList.h"
#include "preview/ProgressWindow.h"

#include <cstdio>

namespace {

// Sets one attribute of the new node by its long name; writes the failure message when the
// value cannot be set.
template <typename Value>
MStatus setNodeAttribute(const MObject& node, const char* name, Value value, const char* failure) {
    const MObject attribute = MFnDependencyNode(node).attribute(name);
    MPlug plug(node, attribute);
    const MStatus status = plug.setValue(value);
    if (!status) std::fprintf(stderr, "%s\n", failure);
    return status;
}

} // namespace

tmod_cmd::tmod_cmd() : settings_(UnwrapSettings::commandDefaults()) {}

void* tmod_cmd::creator() {
    return new tmod_cmd();
}

MSyntax tmod_cmd::newSyntax() {
    return unwrapCommandSyntax();
}

MStatus tmod_cmd::doIt(const MArgList& arguments) {
    settings_ = UnwrapSettings::commandDefaults();
    MStatus status;
    const MSyntax flags = syntax();
    const MArgDatabase database(flags, arguments, &status);
    if (!status) return status;
    readUnwrapFlags(database, settings_);

    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    MItSelectionList meshes(selection, MFn::kMesh);
    MDagPath mesh;
    meshes.getDagPath(mesh);
    mesh.extendToShape();

    setTargetMesh(mesh);
    setModifierType(tmod_node::id);
    return applyModifier();
}

MStatus tmod_cmd::redoIt() {
    const MStatus status = reapplyModifier();
    clearResult();
    appendToResult(static_cast<bool>(status));
    return status;
}

MStatus tmod_cmd::undoIt() {
    const MStatus status = revertModifier();
    setResult(status ? "tmod undo succeeded!" : "tmod undo failed!");
    return status;
}

MStatus tmod_cmd::prepareModifierNode(MObject node) {
    MStatus status;
    const auto set = [&](const char* name, auto value, const char* failure) {
        status = setNodeAttribute(node, name, value, failure);
        return static_cast<bool>(status);
    };
    const bool firstPart =
        set("UV_Set", settings_.uv_set, "Failed to connect node attribute: uv set") &&
        set("Unwrap_Type", settings_.unwrap_type, "Failed to connect node attribute: UnwrapType") &&
        set("Stretch", settings_.stretch, "Failed to connect node attribute: stretch") &&
        set("Padding", settings_.padding, "Failed to connect node attribute: padding") &&
        set("Texture_Width", settings_.tex_width, "Failed to connect node attribute: tex_width") &&
        set("Texture_Height", settings_.tex_height, "Failed to connect node attribute: tex_height") &&
        set("Keep_Borders", settings_.keep_seams, "Failed to connect node attribute: keep_seams") &&
        set("Cut_Grooves", settings_.use_grooves, "Failed to connect node attribute: use_grooves") &&
        set("Groove_Angle", settings_.groove_angle, "Failed to connect node attribute: groove_angle") &&
        set("Cut_Ridges", settings_.use_ridges, "Failed to connect node attribute: use_ridges") &&
        set("Ridge_Angle", settings_.ridge_angle, "Failed to connect node attribute: ridge_angle") &&
        set("Tile_NumX", settings_.tile_numx, "Failed to connect node attribute: tile_numx") &&
        set("Tile_NumY", settings_.tile_numy, "Failed to connect node attribute: tile_numy") &&
        set("Skip_compute", 1, "Failed to connect node attribute: skip_compute");
    if (!firstPart) return status;

    const MString path = targetPath().fullPathName(&status);
    if (!status) {
        std::fprintf(stderr, "Failed to retrieve mesh_path\n");
        return status;
    }
    set("Mesh_path", path, "Failed to connect node attribute: mesh_path") &&
        set("Pack_Mode", settings_.pack_mode, "Failed to connect node attribute: pack_mode") &&
        set("Pre_Rotate", settings_.pre_rotate, "Failed to connect node attribute: pre_rotate") &&
        set("Rotation", settings_.rotation, "Failed to connect node attribute: rotation") &&
        set("Full_Rotation", settings_.full_rotation, "Failed to connect node attribute: full_rotation") &&
        set("Rescale", settings_.rescale, "Failed to connect node attribute: rescale") &&
        set("Camera", settings_.camera, "Failed to connect node attribute: camera") &&
        set("Cam_Angle", settings_.cam_angle, "Failed to connect node attribute: cam_angle") &&
        set("Cam_Extend", settings_.cam_extend, "Failed to connect node attribute: cam_extend") &&
        set("Cam_Ortho", settings_.cam_ortho, "Failed to connect node attribute: cam_ortho");
    return status;
}

MStatus tmod_cmd::modifyMeshDirectly(MObject mesh) {
    MStatus result;
    const MMatrix world = targetPath().inclusiveMatrix(&result);
    UnwrapSettings run = settings_;
    ProgressWindow::start("Unwrapping");
    try {
        runUnwrap(run, result, mesh, world, nullptr);
    } catch (const VarnelleException& error) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        result = MStatus::kFailure;
    }
    ProgressWindow::stop();
    return result;
}
