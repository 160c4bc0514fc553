#pragma once

#include "MObject.h"
#include "SceneNode.h"

// Watches a host object: valid while it exists and is in the scene, alive while it is in
// memory (a node removed from the scene may still be held, for example by the undo queue).
class MObjectHandle {
public:
    MObjectHandle() = default;
    explicit MObjectHandle(const MObject& object) : object_(object.shared<HostObject>()) {}

    bool isValid() const {
        const std::shared_ptr<HostObject> object = object_.lock();
        const SceneNode* node = dynamic_cast<const SceneNode*>(object.get());
        return object && (!node || node->inScene());
    }
    bool isAlive() const { return !object_.expired(); }
    MObject object() const { return MObject(object_.lock()); }

private:
    std::weak_ptr<HostObject> object_;
};
