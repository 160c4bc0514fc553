#pragma once

#include "MObject.h"
#include "MStatus.h"

// The kinds of data object the host hands out for values that are not plain numbers.
class MFnData {
public:
    enum Type { kInvalid, kNumeric, kString, kMatrix, kMesh };
};

// A value of two or three numbers as a data object (the value of a float3 plug).
class NumericData : public HostObject {
public:
    enum class Kind { Float3, Double3 };
    explicit NumericData(Kind kind) : kind(kind) {}
    Kind kind;
    double values[3] = {0.0, 0.0, 0.0};
};

// Function set over numeric data objects.
class MFnNumericData {
public:
    enum Type { kInvalid, kBoolean, kShort, kInt, kFloat, kDouble, k3Float, k3Double };

    MFnNumericData() = default;
    explicit MFnNumericData(const MObject& data, MStatus* status = nullptr);

    // Makes a new data object of three floats or three doubles (zero); a null object and
    // kInvalidParameter for any other type.
    MObject create(Type type, MStatus* status = nullptr);
    MStatus setData(float x, float y, float z);
    MStatus setData(double x, double y, double z);
    MStatus getData(float& x, float& y, float& z) const;
    MStatus getData(double& x, double& y, double& z) const;

private:
    MObject object_;
    NumericData* data_ = nullptr;
};
