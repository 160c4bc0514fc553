#pragma once

#include "hostapi/MObject.h"
#include "packer/PackRecords.h"
#include "packer/PackSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The charts of a mesh's existing UVs as the chart packer takes them: triangles joined
// through shared UV edges (the adjacency with the UV seams cut). Every chart has UVs of its
// own: a UV that triangles of several charts use is copied for each further chart, so that
// moving one chart never drags a corner of another. A mesh without UVs is cut by a six-axis
// box projection instead: every polygon projected along the axis it faces most, charts cut
// where the axis changes.
struct UVCharts {
    std::vector<OmbrixVectorPacker::Point2> uvs;
    // Three UV numbers (into `uvs`) per triangle.
    std::vector<uint32_t> triangles;
    // Three neighbouring triangles per triangle, 0xFFFFFFFF for none.
    std::vector<uint32_t> adjacency;
    // The face-vertex of every triangle corner, to write the UVs back.
    std::vector<int> cornerFaceVertices;
    uint32_t chartCount = 0;
};

// Reads the charts of the mesh's current UV set (or of its box projection when it has none).
// Returns false, with `problem` saying why, when the UV set leaves faces without UVs (named
// as the unwrap's existing-UV method names them) or the adjacency cannot be built.
bool readUVCharts(const MObject& mesh, UVCharts& charts, std::string& problem);

// Replaces the mesh's current UV set (made as "map1" when there is none) by the charts'
// UVs, equal ones welded; every face-vertex of a packed triangle takes its corner's UV,
// the others keep no UV.
void writeUVCharts(const MObject& mesh, const UVCharts& charts);

// The packer settings of the pack and outline subcommands from the unwrap flags among
// `words` (-pad, -w, -h, -p, -pr, -ro, -fr and nothing else), derived as the layout stage
// derives them. Throws UsageError for any other flag or a pack mode other than 1 or 2.
OmbrixVectorPacker::PackSettings packSettingsFromFlags(const std::vector<std::string>& words);
