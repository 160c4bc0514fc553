#pragma once

#include "core/UnwrapMesh.h"
#include "isochart/HResult.h"

#include <cstdint>
#include <vector>

// For every triangle corner, the triangle across the corner's edge, matched by vertex
// index: NIL at borders, at edges no other triangle runs in the opposite direction and on
// every corner of a triangle with a repeated vertex. Where more than two triangles share
// an edge, each links to the unlinked partner whose normal is closest to its own. Returns
// S_OK, E_INVALIDARG (no indices or positions), E_UNEXPECTED (an index beyond the
// positions) or E_OUTOFMEMORY; `adjacency` is changed only on success.
HRESULT computeTriangleAdjacency(const UnwrapMesh& mesh, std::vector<uint32_t>& adjacency);

// The adjacency with every corner that `cutMarks` marks (NIL) cut. On failure the user is
// notified ("Cannot collect adjacency data for mesh.") and the result is empty.
std::vector<uint32_t> collectAdjacency(const UnwrapMesh& mesh, const std::vector<uint32_t>& cutMarks);
