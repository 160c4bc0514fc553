#pragma once

#include "core/UnwrapMesh.h"
#include "engine/UVAtlasProxy.h"

#include <cstdint>
#include <vector>

// Projects every polygon (the triangles joined by `falseEdges`) flat along the one of the six
// signed axes its triangles face most, by area, and cuts `adjacency` (and `falseEdges`, when
// given) between polygons of different axes. `result` gets the positions and indices of
// `source` and one UV per triangle corner: (u, v) in the axis plane and the corner's z.
void projectToBoxes(const UnwrapMesh& source, UnwrapMesh& result, std::vector<uint32_t>& adjacency,
                    std::vector<uint32_t>& falseEdges);

// The six-axis planar projection of the box unwrap: the projection above, its charts packed
// by the proxy, then equal UVs welded into one.
void boxProjection(UVAtlasProxy& proxy, const UnwrapMesh& source, UnwrapMesh& result, const UVAtlasProgress& progress,
                   std::vector<uint32_t>& adjacency, std::vector<uint32_t>& falseEdges);
