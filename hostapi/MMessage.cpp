#include "MMessage.h"

#include "HostSession.h"
#include "SceneNode.h"

CallbackRegistry& callbackRegistry() {
    static CallbackRegistry registry;
    return registry;
}

MStatus MMessage::removeCallback(MCallbackId id) {
    if (!callbackRegistry().remove(id)) return MStatus(MStatus::kInvalidParameter, "No callback with that id");
    return MStatus::kSuccess;
}

MStatus MMessage::removeCallbacks(MCallbackIdArray& ids) {
    MStatus status;
    for (unsigned i = 0; i < ids.length(); ++i) {
        const MStatus removed = removeCallback(ids[i]);
        if (!removed) status = removed;
    }
    return status;
}

MCallbackId MNodeMessage::addNodePreRemovalCallback(MObject& node, MNodeFunction callback, void* clientData,
                                                    MStatus* status) {
    const SceneNode* sceneNode = node.as<SceneNode>();
    if (!sceneNode || !callback) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
        return 0;
    }
    setStatus(status, MStatus::kSuccess);
    return callbackRegistry().addPreRemoval(sceneNode, callback, clientData);
}

MCallbackId MUiMessage::add3dViewPostRenderMsgCallback(const MString& panelName, MStringFunction callback,
                                                       void* clientData, MStatus* status) {
    if (!hostSession().ui.findPanel(panelName.str()) || !callback) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "No model panel named " + panelName.str()));
        return 0;
    }
    setStatus(status, MStatus::kSuccess);
    return callbackRegistry().addPostRender(panelName.str(), callback, clientData);
}

MCallbackId CallbackRegistry::addPreRemoval(const SceneNode* node, MMessage::MNodeFunction callback, void* clientData) {
    Entry entry;
    entry.node = node;
    entry.nodeCallback = callback;
    entry.clientData = clientData;
    entries_[nextId_] = entry;
    return nextId_++;
}

MCallbackId CallbackRegistry::addPostRender(const std::string& panel, MMessage::MStringFunction callback,
                                            void* clientData) {
    Entry entry;
    entry.panel = panel;
    entry.panelCallback = callback;
    entry.clientData = clientData;
    entries_[nextId_] = entry;
    return nextId_++;
}

bool CallbackRegistry::remove(MCallbackId id) {
    return entries_.erase(id) > 0;
}

void CallbackRegistry::removeNodeCallbacks(const SceneNode* node) {
    std::erase_if(entries_, [node](const auto& entry) { return entry.second.node == node; });
}

void CallbackRegistry::callPreRemoval(MObject& node) {
    const SceneNode* target = node.as<SceneNode>();
    std::vector<MCallbackId> ids;
    for (const auto& [id, entry] : entries_)
        if (entry.node == target && entry.nodeCallback) ids.push_back(id);
    for (const MCallbackId id : ids) {
        const auto found = entries_.find(id);
        if (found != entries_.end()) found->second.nodeCallback(node, found->second.clientData);
    }
}

void CallbackRegistry::callPostRender(const std::string& panel) {
    std::vector<MCallbackId> ids;
    for (const auto& [id, entry] : entries_)
        if (entry.panelCallback && entry.panel == panel) ids.push_back(id);
    const MString name(panel);
    for (const MCallbackId id : ids) {
        const auto found = entries_.find(id);
        if (found != entries_.end()) found->second.panelCallback(name, found->second.clientData);
    }
}

size_t CallbackRegistry::postRenderCount(const std::string& panel) const {
    size_t count = 0;
    for (const auto& [id, entry] : entries_)
        count += entry.panelCallback && entry.panel == panel;
    return count;
}
