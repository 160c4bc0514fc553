#pragma once

#include "core/UnwrapSettings.h"
#include "hostapi/MArray.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MObject.h"
#include "hostapi/MStatus.h"

#include <cstdint>
#include <vector>

// Turns a host polygon mesh into triangle buffers: object-space positions, three vertex
// ids per triangle (polygon by polygon, in the host's triangulation order), and per
// triangle corner its cut mark and false edge. `seamPairs`, when given, receives the vertex
// pairs of corners on UV seams. The outputs keep what was appended when the walk stops
// early; `status` then holds the failing host call's status.
void collectMeshData(const UnwrapSettings& settings, MStatus& status, const MObject& mesh,
                     std::vector<float>& positions, std::vector<uint32_t>& indices, std::vector<uint32_t>& cutMarks,
                     std::vector<uint32_t>& falseEdges, MIntArray* seamPairs);

// The UV set whose seams are read: the mesh's current set, or `uv_set` when it has none.
MString seamUVSetName(const MFnMesh& meshFn, const UnwrapSettings& settings);
