#pragma once

#include <cstdint>

namespace OmbrixVectorPacker {

// What the packer is asked to do; filled from the unwrap settings by `makePackSettings`.
struct PackSettings {
    // Texture width divided by texture height.
    double aspect = 1.0;
    // Gap kept around every chart as a fraction of the larger texture side; negative counts as 0.
    double padding = 0.0;
    // Turn every chart so that its minimum width runs along the x axis before the orientations.
    bool pre_rotate = false;
    // Orientations tried besides the first: 0, 1, 3, 7 or 15.
    uint32_t rotation_count = 0;
    // Angle between consecutive orientations, in radians.
    double rotation_step = 0.0;
    // Workers may start their upward slide at the hint (pack mode 1).
    bool hint_mode = false;
};

// The rotation count and step for the unwrap settings' `rotation` (0 to 3) and
// `full_rotation`: without full rotation the orientations cover a half turn, with it a
// full turn. A rotation other than 0, 1 and 3 counts as 2.
struct RotationTable {
    uint32_t count;
    double step;
};
RotationTable rotationTable(int32_t rotation, bool fullRotation);

// The settings for a texture of `textureWidth` x `textureHeight` texels with `paddingTexels`
// of padding, as the layout stage builds them for pack mode 1 or 2.
PackSettings makePackSettings(int32_t textureWidth, int32_t textureHeight, double paddingTexels, bool preRotate,
                              int32_t rotation, bool fullRotation, int32_t packMode);

} // namespace OmbrixVectorPacker
