#pragma once

#include "hostapi/MObject.h"

#include <cstdint>
#include <string>
#include <vector>

// A finished layout as a run hands it over: three floats (u, v and an unused third) per UV and
// three UV indices per triangle, the triangles in the mesh's triangulation order, polygon by
// polygon.
struct UVLayout {
    std::vector<float> points;
    std::vector<uint32_t> indices;
};

// Writes `mesh` as an OBJ file with the layout as its texture coordinates: positions and
// polygons as they are, one `vt` per layout UV, every polygon corner with the UV its triangles
// give it. A polygon whose triangles give one of its corners different UVs (a polygon cut by
// a chart border) is written as its triangles, so that no corner takes another chart's UV.
// Written atomically; throws FileError for a path that names the input `protectedInput`, a
// folder that does not exist or a failed write.
void writeLayoutObj(const std::string& path, const MObject& mesh, const UVLayout& layout,
                    const std::string& protectedInput);

// Throws FileError unless a file can be written at `path` without touching `protectedInput`:
// the path must not name the input and its folder must exist.
void checkOutputPath(const std::string& path, const std::string& protectedInput);
