#include "PackSettings.h"

#include <algorithm>
#include <numbers>

namespace OmbrixVectorPacker {

RotationTable rotationTable(int32_t rotation, bool fullRotation) {
    constexpr double pi = std::numbers::pi;
    switch (rotation) {
    case 0:
        return {fullRotation ? 1u : 0u, pi};
    case 1:
        return {fullRotation ? 3u : 1u, pi / 2.0};
    case 3:
        return {fullRotation ? 15u : 7u, pi / 8.0};
    default:
        return {fullRotation ? 7u : 3u, pi / 4.0};
    }
}

PackSettings makePackSettings(int32_t textureWidth, int32_t textureHeight, double paddingTexels, bool preRotate,
                              int32_t rotation, bool fullRotation, int32_t packMode) {
    PackSettings settings;
    settings.aspect = static_cast<double>(textureWidth) / static_cast<double>(textureHeight);
    settings.padding = paddingTexels / static_cast<double>(std::max(textureWidth, textureHeight));
    settings.pre_rotate = preRotate;
    const RotationTable table = rotationTable(rotation, fullRotation);
    settings.rotation_count = table.count;
    settings.rotation_step = table.step;
    settings.hint_mode = packMode == 1;
    return settings;
}

} // namespace OmbrixVectorPacker
