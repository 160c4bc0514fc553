#pragma once

#include "hostapi/MPxNode.h"

// Base of a node that changes a polygon mesh in its construction history. A derived node
// declares mesh attributes "inMesh" and "outMesh"; polyModifierCmd connects them.
class polyModifierNode : public MPxNode {
public:
    polyModifierNode() = default;
    ~polyModifierNode() override = default;
};

// A modifier's own work, for a command that changes a mesh outside a node.
class polyModifierFty {
public:
    virtual ~polyModifierFty() = default;
    virtual MStatus doIt() = 0;
};
