#pragma once

#include <algorithm>
#include <cstdint>

// The six signed axes a planar projection looks along, numbered +x, -x, +y, -y, +z, -z (0 to
// 5), and for each the coordinates that become u and v with their signs: (y, z), (-y, z),
// (x, -z), (x, z), (x, y), (x, -y).
struct AxisPlane {
    int u, v;
    float uSign, vSign;
};

inline constexpr AxisPlane axisPlanes[6] = {{1, 2, 1, 1}, {1, 2, -1, 1}, {0, 2, 1, -1},
                                            {0, 2, 1, 1}, {0, 1, 1, 1},  {0, 1, 1, -1}};

// The signed axis a normal points along most, the lower number on ties.
inline uint32_t dominantAxis(float x, float y, float z) {
    const float sides[6] = {std::max(x, 0.0f),  std::max(-x, 0.0f), std::max(y, 0.0f),
                            std::max(-y, 0.0f), std::max(z, 0.0f),  std::max(-z, 0.0f)};
    uint32_t best = 0;
    for (uint32_t side = 1; side < 6; ++side)
        if (sides[side] > sides[best]) best = side;
    return best;
}
