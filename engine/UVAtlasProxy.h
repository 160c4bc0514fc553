#pragma once

#include "core/UnwrapMesh.h"
#include "core/UnwrapSettings.h"
#include "engine/UVAtlas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Where an unwrap run meets the chart engine and the polygon chart packer: cutting a mesh into
// flattened charts, numbering the charts, packing them with either packer, spreading them
// over tiles and fitting the layout into the unit square with the padding. Failures of the
// chart engine become VarnelleException with the user's message; exceptions of the polygon
// packer pass through unchanged. One proxy serves one run.
class UVAtlasProxy {
public:
    // Settings start empty: no UV set or camera, one tile.
    UVAtlasProxy();

    void setSettings(const UnwrapSettings& settings);

    // Cuts `input` into charts within the stretch limit. `output` receives the input's positions
    // and indices and one UV (u, v, 0) per chart vertex, with three UV indices per triangle in
    // the input's order; `vertexRemap` the input vertex of every UV; `partitionAdjacency` the
    // adjacency with every chart border cut. Throws "Unwrapping not possible..." and leaves
    // `output` alone when the engine fails.
    bool unwrapCharts(const UnwrapMesh& input, UnwrapMesh& output, std::vector<uint32_t>& vertexRemap,
                      const UVAtlasProgress& progress, std::vector<uint32_t>& partitionAdjacency,
                      const std::vector<uint32_t>& adjacency, const std::vector<uint32_t>& falseEdges);

    // One label per triangle: the connected components of the adjacency, numbered from 1 in
    // the order of their lowest triangle.
    std::vector<uint32_t> labelCharts(const UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency) const;

    // Packs the charts (components of the adjacency) with the engine's packer for pack mode 0,
    // which replaces the mesh by its UVs and UV indices alone, else with the polygon packer,
    // which moves the UVs in place. The packers get the padding grown by applyPadding's shrink
    // and by the texels the finished layout's charts enter (one for the engine's packer, on its
    // texel grid; one and sqrt(2) for the polygon packer, anywhere), so that `padding` texels
    // stay free between the charts of the finished layout. Throws "Packing was not
    // possible..." when the packer cannot place the charts or the padding leaves no room.
    void packCharts(UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency, const UVAtlasProgress& progress) const;

    // Spreads the charts over the tile grid: the smallest groups merged until every tile has at
    // most one, each group packed into the unit square with the padding and moved to its tile,
    // row by row. Tile counts below 1 count as 1.
    void packTiles(UnwrapMesh& mesh, const std::vector<uint32_t>& adjacency) const;

    // Stretches the layout to the texture's aspect.
    void fitAspect(UnwrapMesh& mesh) const;
    // Moves the layout to the origin and scales its larger side to 1 (a layout without extent
    // keeps its scale).
    void normalizeToUnitSquare(UnwrapMesh& mesh) const;
    // Shrinks the layout and centres it so that the padding is free around the unit square's
    // border. Throws "Packing was not possible..." when the padding leaves no room.
    void applyPadding(UnwrapMesh& mesh) const;

    bool exportUVs(const UnwrapMesh& mesh, std::vector<float>& uvs, std::vector<uint32_t>& uvIndices) const;

    // Figures of the last successful unwrapCharts.
    float largestStretch() const { return largestStretch_; }
    size_t chartCount() const { return chartCount_; }

private:
    // The padding as a fraction of the texture's longer side, and the factor by which
    // applyPadding shrinks the layout for it; raises the packing message when it leaves no room.
    float borderPadding() const;
    float borderScale() const;

    UnwrapSettings settings_;
    float largestStretch_ = 0.0f;
    size_t chartCount_ = 0;
};
