#pragma once

#include "core/UnwrapSettings.h"
#include "host/PolyModifierCmd.h"
#include "host/UnwrapFactory.h"
#include "hostapi/MSyntax.h"

// The unwrap command ("varnelleDemo"): reads its flags over the command defaults, takes the
// first selected mesh and has the framework insert an unwrap node into its history (setting
// every attribute from the flags), or unwrap it directly when it can carry no history.
// Undoable.
class tmod_cmd : public polyModifierCmd {
public:
    tmod_cmd();
    ~tmod_cmd() override = default;

    MStatus doIt(const MArgList& arguments) override;
    MStatus undoIt() override;
    MStatus redoIt() override;
    bool isUndoable() const override { return true; }

    MStatus prepareModifierNode(MObject modifierNode) override;
    MStatus modifyMeshDirectly(MObject mesh) override;

    static void* creator();
    static MSyntax newSyntax();

private:
    tmod_fty fty_;
    UnwrapSettings settings_;
};
