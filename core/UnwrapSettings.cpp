#include "UnwrapSettings.h"

#include <algorithm>
#include <cmath>

namespace {

double clampReal(double value, double low, double high) {
    if (std::isnan(value) || value <= low) return low;
    return value >= high ? high : value;
}

int32_t clampInteger(int32_t value, int32_t low, int32_t high) {
    return std::clamp(value, low, high);
}

} // namespace

UnwrapSettings UnwrapSettings::commandDefaults() {
    UnwrapSettings settings;
    settings.uv_set = "map1";
    settings.stretch = 0.15;
    settings.padding = 2.0;
    settings.tex_width = 1024;
    settings.tex_height = 1024;
    settings.epsilon = 0.001;
    settings.groove_angle = 90.0;
    settings.ridge_angle = 90.0;
    settings.tile_numx = 1;
    settings.tile_numy = 1;
    settings.pack_mode = 1;
    settings.rotation = 1;
    settings.pre_rotate = true;
    settings.rescale = true;
    settings.cam_angle = 45.0;
    return settings;
}

void UnwrapSettings::normalize() {
    charts = clampInteger(charts, 0, 64);
    stretch = clampReal(stretch, 0.0, 1.0);
    padding = clampReal(padding, 0.0, 32.0);
    tex_width = clampInteger(tex_width, 8, 8192);
    tex_height = clampInteger(tex_height, 8, 8192);
    adjacency_method = clampInteger(adjacency_method, 0, 1);
    epsilon = clampReal(epsilon, 0.001, 1000.0);
    groove_angle = clampReal(groove_angle, 0.0, 180.0);
    ridge_angle = clampReal(ridge_angle, 0.0, 180.0);
    tile_mode = (tile_numx >= 2 || tile_numy >= 2) ? 1 : 0;
}

int32_t UnwrapSettings::previewTileCount() const {
    return tile_mode == 1 ? std::max(tile_numx, tile_numy) : 1;
}
