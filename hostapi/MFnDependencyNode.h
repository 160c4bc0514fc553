#pragma once

#include "MObject.h"
#include "MPlug.h"
#include "MStatus.h"
#include "MString.h"
#include "MTypeId.h"

class MPxNode;
class SceneNode;

// Function set over a scene node.
class MFnDependencyNode {
public:
    MFnDependencyNode() = default;
    explicit MFnDependencyNode(const MObject& node, MStatus* status = nullptr);
    MStatus setObject(const MObject& node);
    MObject object(MStatus* status = nullptr) const;

    // Makes a node of a registered type and adds it to the scene, named after its type.
    MObject create(const MString& type, MStatus* status = nullptr);
    MObject create(const MTypeId& type, MStatus* status = nullptr);

    MString name(MStatus* status = nullptr) const;
    MString setName(const MString& name, MStatus* status = nullptr);
    MString typeName(MStatus* status = nullptr) const;
    MTypeId typeId(MStatus* status = nullptr) const;
    // The plug of the attribute with this long or short name; a null plug and
    // kInvalidParameter when the node has none. Every plug is a networked one here.
    MPlug findPlug(const MString& attribute, bool wantNetworkedPlug, MStatus* status = nullptr) const;
    MPlug findPlug(const MObject& attribute, bool wantNetworkedPlug, MStatus* status = nullptr) const;
    // The attribute definition with this long or short name; null when the node has none.
    MObject attribute(const MString& name, MStatus* status = nullptr) const;
    unsigned attributeCount(MStatus* status = nullptr) const;
    MObject attribute(unsigned index, MStatus* status = nullptr) const;
    bool hasAttribute(const MString& name, MStatus* status = nullptr) const;
    // The plug-in object of a plug-in node; null for the host's own nodes.
    MPxNode* userNode(MStatus* status = nullptr) const;

protected:
    SceneNode* node() const { return node_; }

private:
    MObject object_;
    SceneNode* node_ = nullptr;
};
