#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MPxNode.h"
#include "MStatus.h"
#include "MString.h"
#include "MTypeId.h"
#include "PluginRegistry.h"

// Function set over the plug-in being loaded or unloaded: what it registers with the host.
class MFnPlugin {
public:
    // The vendor, version and required API version are taken when the plug-in is being loaded.
    MFnPlugin(MObject& plugin, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* status = nullptr);

    MStatus registerCommand(const MString& name, MCreatorFunction creator, MCreateSyntaxFunction syntax = nullptr);
    MStatus deregisterCommand(const MString& name);
    MStatus registerNode(const MString& typeName, const MTypeId& id, MCreatorFunction creator,
                         MInitializeFunction initialize, MPxNode::Type type = MPxNode::kDependNode,
                         const MString* classification = nullptr);
    MStatus deregisterNode(const MTypeId& id);
    // Names the procedures the host runs after loading and before unloading.
    MStatus registerUI(const MString& createProcedure, const MString& deleteProcedure,
                       const MString& batchCreateProcedure = "", const MString& batchDeleteProcedure = "");
    // Adds an item to a menu of the host; returns the item's full name (and the option box's,
    // when asked for). Fails when the menu does not exist.
    MStringArray addMenuItem(const MString& label, const MString& parentMenu, const MString& command,
                             const MString& commandParameters, bool needOptionBox = false,
                             const MString* optionBoxFunction = nullptr, MStatus* status = nullptr,
                             const MString* extraMenuItemParameters = nullptr);
    MStatus removeMenuItem(MStringArray& names);
    MString loadPath(MStatus* status = nullptr) const;
    MString vendor() const;
    MString version() const;
    MString name() const;

private:
    PluginRecord* plugin_ = nullptr;
};
