#pragma once

#include "hostapi/MObject.h"
#include "preview/PreviewRender.h"

#include <vector>

// The layout of the meshes' current UV sets as the preview draws it: every triangle of every
// polygon whose corners all have a UV, with the diagonals that split polygons into triangles
// marked in falseEdges (so quads show as quads). Polygons with an unmapped corner are left
// out. Returns the number of polygons taken.
size_t readUVLayout(const std::vector<MObject>& meshes, PreviewRender& render);
