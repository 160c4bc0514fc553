#pragma once

#include "hostapi/MDGModifier.h"
#include "hostapi/MDagPath.h"
#include "hostapi/MFloatVector.h"
#include "hostapi/MObject.h"
#include "hostapi/MPxCommand.h"
#include "hostapi/MTypeId.h"

// Changes a polygon mesh the way the user's history setting asks, undoably. Given a mesh
// shape and a modifier node type, applyModifier either inserts a new modifier node between
// the mesh and whatever feeds it (when the mesh has construction history, or when the host
// records history: then an intermediate copy of the mesh feeds the node), first moving the
// mesh's vertex tweaks into a "polyTweak" node; or, with no history and history off, keeps a
// copy of the mesh and lets the command change the mesh directly. Every scene change is
// recorded in graph modifiers so that revertModifier and reapplyModifier undo and redo it.
class polyModifierCmd : public MPxCommand {
public:
    polyModifierCmd() = default;
    ~polyModifierCmd() override = default;

    void setTargetMesh(const MDagPath& mesh);
    void setModifierType(const MTypeId& type);
    void setModifierName(const MString& typeName);

    MStatus applyModifier();
    MStatus reapplyModifier();
    MStatus revertModifier();

    // Called with the new modifier node before it is connected.
    virtual MStatus prepareModifierNode(MObject modifierNode);
    // Called, instead of inserting a node, to change a mesh without history.
    virtual MStatus modifyMeshDirectly(MObject mesh);

protected:
    const MDagPath& targetPath() const { return targetPath_; }

private:
    void collectMeshState();
    MObject createModifierNode();
    MStatus connectModifierNode(const MObject& modifierNode);
    void moveTweaksToTweakNode(const MObject& upstreamShape);
    void zeroMeshTweaks(const MObject& shape) const;
    void keepMeshCopy();
    void keepTweaks();
    void restoreDirectChange();
    void restoreFromIntermediate();
    MStatus restoreTweaks();

    bool targetPathSet_ = false;
    MDagPath targetPath_;
    MDagPath duplicatePath_;
    bool modifierTypeSet_ = false;
    bool modifierNameSet_ = false;
    MTypeId modifierType_;
    MString modifierName_;
    bool hasHistory_ = false;
    bool hasTweaks_ = false;
    bool recordsHistory_ = false;
    MIntArray tweakIndices_;
    MFloatVectorArray tweakVectors_;
    MObject meshCopy_;
    MObject tweakNode_;
    MDGModifier dgModifier_;
    MDagModifier dagModifier_;
    // Removes the duplicate's empty transform, which undoing dagModifier_ brings back.
    MDagModifier duplicateCleanup_;
};
