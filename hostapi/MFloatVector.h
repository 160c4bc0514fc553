#pragma once

#include "MArray.h"

// Single-precision 3D vector.
class MFloatVector {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f;

    MFloatVector() = default;
    MFloatVector(float x, float y, float z) : x(x), y(y), z(z) {}
};

using MFloatVectorArray = MArray<MFloatVector>;
