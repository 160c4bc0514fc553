#pragma once

#include "hostapi/MString.h"

#include <cstdint>

// How one unwrap run makes its charts.
enum UnwrapType : int32_t {
    ChartUnwrap = 0,
    BoxProjection = 1,
    ExistingUVs = 2,
    CameraProjection = 3,
};

// The settings of one unwrap run. A run works on its own copy and normalises it first.
struct UnwrapSettings {
    MString uv_set;
    int32_t unwrap_type = ChartUnwrap;
    int32_t charts = 0;
    double stretch = 0.0;
    double padding = 0.0;
    int32_t tex_width = 0;
    int32_t tex_height = 0;
    bool high_quality = false;
    bool keep_seams = false;
    int32_t adjacency_method = 0;
    double epsilon = 0.0;
    bool use_grooves = false;
    double groove_angle = 0.0;
    bool use_ridges = false;
    double ridge_angle = 0.0;
    int32_t tile_mode = 0;
    int32_t tile_numx = 1;
    int32_t tile_numy = 1;
    int32_t pack_mode = 0;
    bool pre_rotate = false;
    int32_t rotation = 0;
    bool full_rotation = false;
    bool rescale = false;
    MString camera;
    double cam_angle = 0.0;
    double cam_extend = 0.0;
    bool cam_ortho = false;

    // The defaults the unwrap command starts from.
    static UnwrapSettings commandDefaults();

    // Clamps every bounded field into its range (NaN becomes the lower bound) and derives
    // tile_mode from the tile counts.
    void normalize();

    // Existing UV seams stay seams: always for the existing-UV method, else when asked.
    bool keepsSeams() const { return unwrap_type == ExistingUVs || keep_seams; }

    // Tiles the preview shows: the larger tile count in tile mode, else one.
    int32_t previewTileCount() const;
};
