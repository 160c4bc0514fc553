#pragma once

#include "hostapi/MItMeshEdge.h"
#include "hostapi/MItMeshVertex.h"
#include "hostapi/MString.h"

#include <vector>

// The mesh edges that are UV seams in the given UV set, ascending. An edge with two faces
// is a seam when at either end the faces use different UVs (or one has none there); an
// edge with zero or three or more faces always is; a border edge never is.
std::vector<int> gatherSeamEdges(MItMeshEdge& edges, MItMeshVertex& vertices, const MString& uvSet);
