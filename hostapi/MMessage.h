#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MStatus.h"
#include "MString.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

using MCallbackId = uint64_t;
using MCallbackIdArray = MArray<MCallbackId>;

class SceneNode;

// Callbacks the host calls when something happens, each known by the id it was added under.
class MMessage {
public:
    using MNodeFunction = void (*)(MObject& node, void* clientData);
    using MStringFunction = void (*)(const MString& text, void* clientData);

    // Fails with kInvalidParameter for an id that is not registered (any more).
    static MStatus removeCallback(MCallbackId id);
    static MStatus removeCallbacks(MCallbackIdArray& ids);
};

class MNodeMessage : public MMessage {
public:
    // Called just before the node is removed from the scene. Fails for a null object or one
    // that is no dependency node.
    static MCallbackId addNodePreRemovalCallback(MObject& node, MNodeFunction callback, void* clientData = nullptr,
                                                 MStatus* status = nullptr);
};

class MUiMessage : public MMessage {
public:
    // Called after the model panel of that name was drawn. Fails when the session has no
    // model panel of that name.
    static MCallbackId add3dViewPostRenderMsgCallback(const MString& panelName, MStringFunction callback,
                                                      void* clientData = nullptr, MStatus* status = nullptr);
};

// The host's register of callbacks. A node's callbacks go when the node is destroyed; callbacks
// may remove callbacks (their own too) while they are being called.
class CallbackRegistry {
public:
    MCallbackId addPreRemoval(const SceneNode* node, MMessage::MNodeFunction callback, void* clientData);
    MCallbackId addPostRender(const std::string& panel, MMessage::MStringFunction callback, void* clientData);
    bool remove(MCallbackId id);
    void removeNodeCallbacks(const SceneNode* node);

    void callPreRemoval(MObject& node);
    void callPostRender(const std::string& panel);
    // Post-render callbacks registered on a panel now.
    size_t postRenderCount(const std::string& panel) const;

private:
    struct Entry {
        const SceneNode* node = nullptr;
        std::string panel;
        MMessage::MNodeFunction nodeCallback = nullptr;
        MMessage::MStringFunction panelCallback = nullptr;
        void* clientData = nullptr;
    };

    std::map<MCallbackId, Entry> entries_;
    MCallbackId nextId_ = 1;
};

// The process's callback register. It outlives the session (HostSession takes it first), so
// nodes destroyed while the session goes can still remove their callbacks.
CallbackRegistry& callbackRegistry();
