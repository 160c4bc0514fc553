#pragma once

// The kinds of host object a function set or a filter asks for (the host's MFn::Type numbers).
namespace MFn {
enum Type {
    kInvalid = 0,
    kBase = 1,
    kNamedObject = 2,
    kDependencyNode = 4,
    kDagNode = 107,
    kTransform = 110,
    kCamera = 250,
    kMesh = 296,
    kPolyTweak = 395,
    kPluginDependNode = 456,
};
} // namespace MFn
