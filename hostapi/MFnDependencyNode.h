#pragma once

#include "MObject.h"
#include "MPlug.h"
#include "MStatus.h"
#include "MString.h"

class SceneNode;

// Function set over a scene node.
class MFnDependencyNode {
public:
    explicit MFnDependencyNode(const MObject& node, MStatus* status = nullptr);

    MString name(MStatus* status = nullptr) const;
    MString typeName(MStatus* status = nullptr) const;
    // The plug of the attribute with this long or short name; a null plug and
    // kInvalidParameter when the node has none. The stand-in has no networked plugs.
    MPlug findPlug(const MString& attribute, bool wantNetworkedPlug, MStatus* status = nullptr) const;

private:
    MObject object_;
    const SceneNode* node_ = nullptr;
};
