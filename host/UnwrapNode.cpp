#include "UnwrapNode.h"

#include "core/UnwrapDriver.h"
#include "core/UnwrapSettings.h"
#include "core/VarnelleException.h"
#include "hostapi/M3dView.h"
#include "hostapi/MDataBlock.h"
#include "hostapi/MFnAttribute.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MGLFunctionTable.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MObjectHandle.h"
#include "hostapi/MSelectionList.h"
#include "preview/ProgressWindow.h"

#include <cstdio>
#include <string>

const MTypeId tmod_node::id(0x113C41);
MObject tmod_node::inMesh;
MObject tmod_node::outMesh;
MObject tmod_node::uvSet;
MObject tmod_node::stretch;
MObject tmod_node::padding;
MObject tmod_node::textureWidth;
MObject tmod_node::textureHeight;
MObject tmod_node::keepBorders;
MObject tmod_node::cutGrooves;
MObject tmod_node::grooveAngle;
MObject tmod_node::cutRidges;
MObject tmod_node::ridgeAngle;
MObject tmod_node::tileNumX;
MObject tmod_node::tileNumY;
MObject tmod_node::skipCompute;
MObject tmod_node::meshPath;
MObject tmod_node::unwrapType;
MObject tmod_node::packMode;
MObject tmod_node::preRotate;
MObject tmod_node::rotation;
MObject tmod_node::fullRotation;
MObject tmod_node::rescale;
MObject tmod_node::camera;
MObject tmod_node::camAngle;
MObject tmod_node::camExtend;
MObject tmod_node::camOrtho;

namespace {

const char* const kPanels[] = {"modelPanel1", "modelPanel2", "modelPanel3", "modelPanel4"};

void writeError(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}

enum class Kind { Boolean, Integer, Float, String };

// One setting attribute, in the order the node creates them, with the messages of its
// creation and of its dependency on the output.
struct SettingAttribute {
    MObject* attribute;
    const char* longName;
    const char* shortName;
    Kind kind;
    const char* addFailure;
    const char* affectsFailure; // null: the setting does not affect the output
};

const SettingAttribute kSettings[] = {
    {&tmod_node::uvSet, "UV_Set", "p_uv", Kind::String, "addAttribute uv_set failed", "attributeAffects (uv_set)"},
    {&tmod_node::stretch, "Stretch", "p_st", Kind::Float, "addAttribute stretch failed", "attributeAffects (stretch)"},
    {&tmod_node::padding, "Padding", "p_pa", Kind::Integer, "addAttribute padding failed",
     "attributeAffects (padding)"},
    {&tmod_node::textureWidth, "Texture_Width", "p_wi", Kind::Integer, "addAttribute width failed",
     "attributeAffects (tex_width)"},
    {&tmod_node::textureHeight, "Texture_Height", "p_he", Kind::Integer, "addAttribute height failed",
     "attributeAffects (tex_height)"},
    {&tmod_node::keepBorders, "Keep_Borders", "p_ks", Kind::Boolean, "addAttribute seams failed",
     "attributeAffects (keep_seams)"},
    {&tmod_node::cutGrooves, "Cut_Grooves", "p_ug", Kind::Boolean, "addAttribute use_grooves failed",
     "attributeAffects (use_grooves)"},
    {&tmod_node::grooveAngle, "Groove_Angle", "p_ga", Kind::Float, "addAttribute groove_angle failed",
     "attributeAffects (groove_angle)"},
    {&tmod_node::cutRidges, "Cut_Ridges", "p_ur", Kind::Boolean, "addAttribute use_ridges failed",
     "attributeAffects (use_ridges)"},
    {&tmod_node::ridgeAngle, "Ridge_Angle", "p_ra", Kind::Float, "addAttribute ridge_angle failed",
     "attributeAffects (ridge_angle)"},
    {&tmod_node::tileNumX, "Tile_NumX", "p_tc", Kind::Integer, "addAttribute tilenumx failed",
     "attributeAffects (tile_numx)"},
    {&tmod_node::tileNumY, "Tile_NumY", "p_tn", Kind::Integer, "addAttribute tilenumy failed",
     "attributeAffects (tile_numy)"},
    {&tmod_node::skipCompute, "Skip_compute", "p_sc", Kind::Integer, "addAttribute skip_compute failed",
     "attributeAffects (skip_compute)"},
    {&tmod_node::meshPath, "Mesh_path", "p_path", Kind::String, "addAttribute mesh_path failed", nullptr},
    {&tmod_node::unwrapType, "Unwrap_Type", "p_t", Kind::Integer, "addAttribute unwrap_type failed",
     "attributeAffects (unwrapType)"},
    {&tmod_node::packMode, "Pack_Mode", "p_p", Kind::Integer, "addAttribute pack_mode failed",
     "attributeAffects (packMode)"},
    {&tmod_node::preRotate, "Pre_Rotate", "p_pr", Kind::Boolean, "addAttribute pre_rotate failed",
     "attributeAffects (preRotate)"},
    {&tmod_node::rotation, "Rotation", "p_ro", Kind::Integer, "addAttribute rotation failed",
     "attributeAffects (rotation)"},
    {&tmod_node::fullRotation, "Full_Rotation", "p_fr", Kind::Boolean, "addAttribute full_rotation failed",
     "attributeAffects (fullRotation)"},
    {&tmod_node::rescale, "Rescale", "p_re", Kind::Boolean, "addAttribute rescale failed",
     "attributeAffects (rescale)"},
    {&tmod_node::camera, "Camera", "p_c", Kind::String, "addAttribute camera failed", "attributeAffects (camera)"},
    {&tmod_node::camAngle, "Cam_Angle", "p_ca", Kind::Float, "addAttribute cam_angle failed",
     "attributeAffects (camAngle)"},
    {&tmod_node::camExtend, "Cam_Extend", "p_ce", Kind::Float, "addAttribute cam_extend failed",
     "attributeAffects (camExtend)"},
    {&tmod_node::camOrtho, "Cam_Ortho", "p_co", Kind::Boolean, "addAttribute cam_ortho failed",
     "attributeAffects (camOrtho)"},
};

MObject createSetting(const SettingAttribute& setting, MStatus& status) {
    if (setting.kind == Kind::String) {
        MFnTypedAttribute typed;
        return typed.create(setting.longName, setting.shortName, MFnData::kString, MObject::kNullObj, &status);
    }
    const MFnNumericData::Type type = setting.kind == Kind::Boolean   ? MFnNumericData::kBoolean
                                      : setting.kind == Kind::Integer ? MFnNumericData::kInt
                                                                      : MFnNumericData::kFloat;
    MFnNumericAttribute numeric;
    return numeric.create(setting.longName, setting.shortName, type, 0.0, &status);
}

MObject createMeshAttribute(const char* longName, const char* shortName, bool writable, MStatus& status) {
    MFnTypedAttribute typed;
    MObject attribute = typed.create(longName, shortName, MFnData::kMesh, MObject::kNullObj, &status);
    if (!status) return attribute;
    typed.setStorable(true);
    if (writable) typed.setWritable(true);
    return attribute;
}

// Reads one setting through an input handle; false (with the message written) when the
// handle cannot be had.
template <typename Read>
bool readSetting(MDataBlock& data, const MObject& attribute, const char* failure, MStatus& status, Read read) {
    MDataHandle handle = data.inputValue(attribute, &status);
    if (!status) {
        writeError(failure);
        return false;
    }
    read(handle);
    return true;
}

// The settings of the node's attributes over the command defaults, in the node's reading
// order; false at the first one that cannot be read.
bool readSettings(MDataBlock& data, UnwrapSettings& settings, MString& path, MStatus& status) {
    using H = MDataHandle&;
    return readSetting(data, tmod_node::uvSet, "Retrieving settings failed (uv_set)", status,
                       [&](H h) { settings.uv_set = h.asString(); }) &&
           readSetting(data, tmod_node::unwrapType, "Retrieving settings failed (unwrap_type)", status,
                       [&](H h) { settings.unwrap_type = h.asInt(); }) &&
           readSetting(data, tmod_node::stretch, "Retrieving settings failed (stretch)", status,
                       [&](H h) { settings.stretch = h.asFloat(); }) &&
           readSetting(data, tmod_node::padding, "Retrieving settings failed (padding)", status,
                       [&](H h) { settings.padding = h.asInt(); }) &&
           readSetting(data, tmod_node::textureWidth, "Retrieving settings failed (tex_width)", status,
                       [&](H h) { settings.tex_width = h.asInt(); }) &&
           readSetting(data, tmod_node::textureHeight, "Retrieving settings failed (tex_height)", status,
                       [&](H h) { settings.tex_height = h.asInt(); }) &&
           readSetting(data, tmod_node::keepBorders, "Retrieving settings failed (keep_seams)", status,
                       [&](H h) { settings.keep_seams = h.asBool(); }) &&
           readSetting(data, tmod_node::cutGrooves, "Retrieving settings failed (use_grooves)", status,
                       [&](H h) { settings.use_grooves = h.asBool(); }) &&
           readSetting(data, tmod_node::grooveAngle, "Retrieving settings failed (groove_angle)", status,
                       [&](H h) { settings.groove_angle = h.asFloat(); }) &&
           readSetting(data, tmod_node::cutRidges, "Retrieving settings failed (use_ridges)", status,
                       [&](H h) { settings.use_ridges = h.asBool(); }) &&
           readSetting(data, tmod_node::ridgeAngle, "Retrieving settings failed (ridge_angle)", status,
                       [&](H h) { settings.ridge_angle = h.asFloat(); }) &&
           readSetting(data, tmod_node::tileNumX, "Retrieving settings failed (tile_numx)", status,
                       [&](H h) { settings.tile_numx = h.asInt(); }) &&
           readSetting(data, tmod_node::tileNumY, "Retrieving settings failed (tile_numy)", status,
                       [&](H h) { settings.tile_numy = h.asInt(); }) &&
           readSetting(data, tmod_node::packMode, "Retrieving settings failed (packMode)", status,
                       [&](H h) { settings.pack_mode = h.asInt(); }) &&
           readSetting(data, tmod_node::preRotate, "Retrieving settings failed (preRotate)", status,
                       [&](H h) { settings.pre_rotate = h.asBool(); }) &&
           readSetting(data, tmod_node::rotation, "Retrieving settings failed (rotation)", status,
                       [&](H h) { settings.rotation = h.asInt(); }) &&
           readSetting(data, tmod_node::fullRotation, "Retrieving settings failed (fullRotation)", status,
                       [&](H h) { settings.full_rotation = h.asBool(); }) &&
           readSetting(data, tmod_node::rescale, "Retrieving settings failed (rescale)", status,
                       [&](H h) { settings.rescale = h.asBool(); }) &&
           readSetting(data, tmod_node::camera, "Retrieving settings failed (camera)", status,
                       [&](H h) { settings.camera = h.asString(); }) &&
           readSetting(data, tmod_node::camAngle, "Retrieving settings failed (camAngle)", status,
                       [&](H h) { settings.cam_angle = h.asFloat(); }) &&
           readSetting(data, tmod_node::camExtend, "Retrieving settings failed (camExtend)", status,
                       [&](H h) { settings.cam_extend = h.asFloat(); }) &&
           readSetting(data, tmod_node::camOrtho, "Retrieving settings failed (camOrtho)", status,
                       [&](H h) { settings.cam_ortho = h.asBool(); }) &&
           readSetting(data, tmod_node::meshPath, "Retrieving settings failed (str_mesh_path)", status,
                       [&](H h) { path = h.asString(); });
}

// Runs the driver; the missing main window, which the driver cannot show, becomes a failure
// with its message on the error stream.
MStatus runDriver(UnwrapSettings& settings, const MObject& mesh, const MMatrix& world, MIntArray& seamPairs) {
    MStatus status;
    try {
        runUnwrap(settings, status, mesh, world, &seamPairs);
    } catch (const VarnelleException& error) {
        writeError(error.message.c_str());
        status = MStatus::kFailure;
    }
    return status;
}

} // namespace

void* tmod_node::creator() {
    return new tmod_node();
}

tmod_node::~tmod_node() {
    clearPanelCallbacks(overlay_);
}

MStatus tmod_node::initialize() {
    MStatus status;
    inMesh = createMeshAttribute("inMesh", "im", false, status);
    if (status) outMesh = createMeshAttribute("outMesh", "om", true, status);
    if (!status) return status;
    status = addAttribute(inMesh);
    if (status) status = addAttribute(outMesh);
    if (!status) {
        writeError("addAttribute");
        return status;
    }
    status = attributeAffects(inMesh, outMesh);
    if (!status) {
        writeError("attributeAffects");
        return status;
    }
    for (const SettingAttribute& setting : kSettings) {
        *setting.attribute = createSetting(setting, status);
        if (status) status = addAttribute(*setting.attribute);
        if (!status) {
            writeError(setting.addFailure);
            return status;
        }
    }
    for (const SettingAttribute& setting : kSettings) {
        if (!setting.affectsFailure) continue;
        status = attributeAffects(*setting.attribute, outMesh);
        if (!status) {
            writeError(setting.affectsFailure);
            return status;
        }
    }
    return MStatus::kSuccess;
}

MStatus tmod_node::compute(const MPlug&, MDataBlock& data) {
    MStatus result = MStatus::kSuccess;
    if (computeCount_ == 0) {
        MObject self = thisMObject();
        MStatus attached;
        MNodeMessage::addNodePreRemovalCallback(self, onPreRemoval, &overlay_, &attached);
        if (!attached) MGlobal::displayWarning("Could not attach pre_removal_callback for tmod_node.");
    }
    UnwrapSettings settings = UnwrapSettings::commandDefaults();

    MStatus status;
    MDataHandle input = data.inputValue(inMesh, &status);
    if (!status) {
        writeError("ERROR getting inMesh");
        return status;
    }
    MDataHandle output = data.outputValue(outMesh, &status);
    if (!status) {
        writeError("ERROR getting outMesh");
        return status;
    }

    const int32_t previousCount = computeCount_++;
    if (previousCount > 0) {
        MDataHandle latch = data.inputValue(skipCompute, &status);
        if (!status) {
            writeError("Retrieving settings failed (skip_compute)");
            return status;
        }
        if (latch.asInt() == 1) return MStatus::kSuccess;
        latch.setInt(1);
    }

    output.set(input.asMesh());
    const MObject mesh = output.asMesh();

    MDataHandle state = data.outputValue(MPxNode::state, &status);
    if (!status) {
        writeError("ERROR getting state");
        return status;
    }
    if (state.asShort() == 1) {
        clearPanelCallbacks(overlay_);
        return MStatus::kSuccess;
    }

    MString path;
    if (!readSettings(data, settings, path, status)) return status;

    MSelectionList list;
    list.add(path);
    list.getDagPath(0, overlay_.meshPath);
    const MMatrix world = overlay_.meshPath.inclusiveMatrix(&result);

    ProgressWindow::start("Unwrapping");
    result = runDriver(settings, mesh, world, overlay_.seamPairs);
    ProgressWindow::stop();
    output.setClean();
    if (!result) return result;

    result = attachPanelCallbacks();
    if (!result) writeError("Could not attach viewport callback");
    return result;
}

MStatus tmod_node::attachPanelCallbacks() {
    MStatus result;
    std::string errors;
    clearPanelCallbacks(overlay_);
    for (const char* panel : kPanels) {
        const MCallbackId id = MUiMessage::add3dViewPostRenderMsgCallback(panel, drawOverlay, &overlay_, &result);
        overlay_.callbackIds.append(id);
        if (result) continue;
        drawOverlay(panel, &overlay_);
        errors += std::string("Could not attach postrender callback to panel ") + panel + ": " +
                  result.errorString().str() + "\n";
    }
    if (!errors.empty()) {
        result = MStatus::kFailure;
        std::fprintf(stderr, "%s\n", errors.c_str());
    }
    return result;
}

MStatus tmod_node::clearPanelCallbacks(ViewportOverlay& overlay) {
    MStatus result;
    std::string errors;
    for (unsigned i = 0; i < overlay.callbackIds.length(); ++i) {
        result = MMessage::removeCallback(overlay.callbackIds[i]);
        if (!result) errors += "Failed to clear viewport callback " + std::to_string(i) + "\n";
    }
    overlay.callbackIds.clear();
    if (!errors.empty()) {
        result = MStatus::kFailure;
        std::fprintf(stderr, "%s\n", errors.c_str());
    }
    return result;
}

void tmod_node::onPreRemoval(MObject&, void* overlay) {
    clearPanelCallbacks(*static_cast<ViewportOverlay*>(overlay));
}

void tmod_node::drawOverlay(const MString& panel, void* clientData) {
    ViewportOverlay& overlay = *static_cast<ViewportOverlay*>(clientData);
    const MDagPath path = overlay.meshPath;
    const MIntArray seams = overlay.seamPairs;

    MStatus status;
    const MObject node = path.node(&status);
    if (!status || !MObjectHandle(node).isValid()) {
        clearPanelCallbacks(overlay);
        return;
    }
    const MFnMesh mesh(path, &status);
    MPointArray points;
    if (status) status = mesh.getPoints(points, MSpace::kWorld);
    if (!status) {
        clearPanelCallbacks(overlay);
        return;
    }
    M3dView view;
    if (!M3dView::getM3dViewFromModelPanel(panel, view)) return;
    MDagPath cameraPath;
    view.getCamera(cameraPath);
    double inverseCamera[4][4];
    cameraPath.inclusiveMatrix().inverse().get(inverseCamera);

    MGLFunctionTable& gl = *MHardwareRenderer::theRenderer()->glFunctionTable();
    view.beginGL();
    gl.glMatrixMode(MGL_MODELVIEW);
    gl.glPushMatrix();
    gl.glLoadMatrixd(&inverseCamera[0][0]);
    gl.glColor3f(0.0f, 1.0f, 0.0f);
    gl.glLineWidth(3.0f);
    gl.glBegin(MGL_LINES);
    const auto known = [&](int vertex) { return vertex >= 0 && static_cast<unsigned>(vertex) < points.length(); };
    for (unsigned i = 0; i + 1 < seams.length(); i += 2) {
        if (!known(seams[i]) || !known(seams[i + 1])) continue;
        for (const int vertex : {seams[i], seams[i + 1]})
            gl.glVertex3f(static_cast<float>(points[vertex].x), static_cast<float>(points[vertex].y),
                          static_cast<float>(points[vertex].z));
    }
    gl.glEnd();
    gl.glLineWidth(1.0f);
    gl.glPopMatrix();
    view.endGL();
}
