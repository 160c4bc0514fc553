#pragma once

#include "hostapi/MArray.h"
#include "hostapi/MObject.h"
#include "hostapi/MStatus.h"
#include "hostapi/MString.h"

// The module's entry points, which the host calls when it loads and unloads the plug-in.
MStatus initializePlugin(MObject plugin);
MStatus uninitializePlugin(MObject plugin);

// The menu items the host returned when the plug-in was loaded (empty before and after).
const MStringArray& varnelleMenuItems();

// Makes the module known to the host under the name "varnelle", with the procedures of its
// script files, so that "loadPlugin varnelle" loads it.
void registerVarnelleModule();
