#pragma once

#include "core/UnwrapMesh.h"
#include "hostapi/MObject.h"

// Reads the mesh's current UV set into `result`: its UVs ((u, v) over the existing third
// value, new entries (0, 0, 0)) and, for every triangle corner in the collector's order, the
// UV that polygon corner uses. Raises "These faces have no UVs in the current UV set..." with
// the first face numbers when any polygon corner has no UV.
void readExistingUVs(const MObject& mesh, UnwrapMesh& result);
