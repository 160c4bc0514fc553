#pragma once

#include "host/PolyModifierNode.h"
#include "host/UnwrapFactory.h"
#include "hostapi/MArray.h"
#include "hostapi/MDagPath.h"
#include "hostapi/MMessage.h"
#include "hostapi/MTypeId.h"

// What the node draws over the model panels, and the callbacks that draw it; the address of
// this record is the client data of every callback the node registers.
struct ViewportOverlay {
    MCallbackIdArray callbackIds;
    MDagPath meshPath;
    // Mesh vertex indices two at a time, one pair per kept seam edge.
    MIntArray seamPairs;
};

// The unwrap node ("varnelleDemo_node"): its output mesh is its input mesh unchanged; on an
// evaluation that gets past its latch it runs one unwrap of that mesh with the settings of
// its attributes, then draws the kept seam edges as green lines over the four model panels
// until it is removed, bypassed or destroyed.
class tmod_node : public polyModifierNode {
public:
    tmod_node() = default;
    ~tmod_node() override;

    MStatus compute(const MPlug& plug, MDataBlock& data) override;

    static void* creator();
    static MStatus initialize();

    // (Re)registers the overlay on the four model panels.
    MStatus attachPanelCallbacks();
    static MStatus clearPanelCallbacks(ViewportOverlay& overlay);
    static void drawOverlay(const MString& panel, void* overlay);
    static void onPreRemoval(MObject& node, void* overlay);

    const ViewportOverlay& overlay() const { return overlay_; }
    int32_t computeCount() const { return computeCount_; }

    static const MTypeId id;
    static MObject inMesh;
    static MObject outMesh;
    static MObject uvSet;
    static MObject stretch;
    static MObject padding;
    static MObject textureWidth;
    static MObject textureHeight;
    static MObject keepBorders;
    static MObject cutGrooves;
    static MObject grooveAngle;
    static MObject cutRidges;
    static MObject ridgeAngle;
    static MObject tileNumX;
    static MObject tileNumY;
    static MObject skipCompute;
    static MObject meshPath;
    static MObject unwrapType;
    static MObject packMode;
    static MObject preRotate;
    static MObject rotation;
    static MObject fullRotation;
    static MObject rescale;
    static MObject camera;
    static MObject camAngle;
    static MObject camExtend;
    static MObject camOrtho;

private:
    tmod_fty fty_;
    ViewportOverlay overlay_;
    int32_t computeCount_ = 0;
};
