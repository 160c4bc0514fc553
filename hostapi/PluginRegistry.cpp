#include "PluginRegistry.h"

#include "DagNode.h"
#include "HostSession.h"
#include "MPxNode.h"
#include "MeshNode.h"

#include <algorithm>

namespace {

MStatus refused(const std::string& text) {
    return MStatus(MStatus::kFailure, text);
}

} // namespace

void PluginRegistry::addModule(PluginModule module) {
    modules_[module.name] = std::move(module);
}

std::vector<std::string> PluginRegistry::loadedNames() const {
    std::vector<std::string> names;
    for (const auto& [name, record] : loaded_)
        names.push_back(name);
    return names;
}

MStatus PluginRegistry::load(const std::string& name, std::string& error) {
    const auto module = modules_.find(name);
    if (module == modules_.end()) {
        error = "Plug-in not found: " + name;
        return MStatus(MStatus::kNotFound, error);
    }
    if (isLoaded(name)) return MStatus::kSuccess;
    auto record = std::make_shared<PluginRecord>();
    record->name = name;
    record->path = module->second.path;
    loaded_[name] = record;
    const MStatus status = module->second.initialize(MObject(record));
    if (!status) {
        removeRegistrations(*record);
        loaded_.erase(name);
        error = "initializePlugin of " + name + " failed: " + status.errorString().str();
        return status;
    }
    if (!record->createUI.empty()) hostSession().commands.runProcedure(record->createUI);
    return MStatus::kSuccess;
}

MStatus PluginRegistry::unload(const std::string& name, std::string& error) {
    const auto found = loaded_.find(name);
    if (found == loaded_.end()) {
        error = "Plug-in is not loaded: " + name;
        return MStatus(MStatus::kInvalidParameter, error);
    }
    for (const std::shared_ptr<SceneNode>& node : hostSession().scene.nodes())
        if (node->type().plugin == name) {
            error = "Plug-in " + name + " is still in use by " + node->name();
            return refused(error);
        }
    hostSession().scene.undoQueue().flush();
    const std::shared_ptr<PluginRecord> record = found->second;
    if (!record->deleteUI.empty()) hostSession().commands.runProcedure(record->deleteUI);
    const MStatus status = modules_.at(name).uninitialize(MObject(record));
    if (!status) {
        error = "uninitializePlugin of " + name + " failed: " + status.errorString().str();
        return status;
    }
    removeRegistrations(*record);
    loaded_.erase(name);
    return MStatus::kSuccess;
}

void PluginRegistry::removeRegistrations(PluginRecord& plugin) {
    std::erase_if(commands_, [&](const CommandRegistration& command) { return command.plugin == plugin.name; });
    std::erase_if(types_, [&](const std::shared_ptr<const NodeType>& type) { return type->plugin == plugin.name; });
    for (const std::string& item : plugin.menuItems)
        hostSession().ui.removeMenuItem(item);
    plugin.commands.clear();
    plugin.nodeTypes.clear();
    plugin.menuItems.clear();
}

MStatus PluginRegistry::registerCommand(PluginRecord& plugin, const std::string& name, MCreatorFunction creator,
                                        MCreateSyntaxFunction syntax) {
    if (name.empty() || !creator) return MStatus(MStatus::kInvalidParameter, "A command needs a name and a creator");
    if (findCommand(name) || hostSession().commands.isBuiltin(name))
        return refused("A command named " + name + " is already registered");
    commands_.push_back({name, creator, syntax, plugin.name});
    plugin.commands.push_back(name);
    return MStatus::kSuccess;
}

MStatus PluginRegistry::deregisterCommand(PluginRecord& plugin, const std::string& name) {
    const auto found = std::find_if(commands_.begin(), commands_.end(), [&](const CommandRegistration& command) {
        return command.name == name && command.plugin == plugin.name;
    });
    if (found == commands_.end()) return refused("The plug-in has no command named " + name);
    commands_.erase(found);
    std::erase(plugin.commands, name);
    return MStatus::kSuccess;
}

MStatus PluginRegistry::registerNode(PluginRecord& plugin, const std::string& typeName, MTypeId id,
                                     MCreatorFunction creator, MInitializeFunction initialize) {
    if (typeName.empty() || !creator) return MStatus(MStatus::kInvalidParameter, "A node type needs a name");
    if (findType(typeName)) return refused("A node type named " + typeName + " is already registered");
    if (findType(id)) return refused("A node type with id " + std::to_string(id.id()) + " is already registered");
    auto type = std::make_shared<NodeType>(
        typeName, id, MFn::kPluginDependNode, [creator](std::shared_ptr<const NodeType> self) {
            return PluginNode::make(std::move(self), static_cast<MPxNode*>(creator()));
        });
    type->plugin = plugin.name;
    MStatus status;
    if (initialize) {
        initializing_ = type.get();
        status = initialize();
        initializing_ = nullptr;
    }
    if (!status) return status;
    types_.push_back(type);
    plugin.nodeTypes.push_back(id);
    return MStatus::kSuccess;
}

MStatus PluginRegistry::deregisterNode(PluginRecord& plugin, MTypeId id) {
    const auto found = std::find_if(types_.begin(), types_.end(), [&](const std::shared_ptr<const NodeType>& type) {
        return type->id() == id && type->plugin == plugin.name;
    });
    if (found == types_.end()) return refused("The plug-in has no node type with id " + std::to_string(id.id()));
    for (const std::shared_ptr<SceneNode>& node : hostSession().scene.nodes())
        if (&node->type() == found->get()) return refused("Nodes of type " + (*found)->name() + " exist");
    types_.erase(found);
    std::erase(plugin.nodeTypes, id);
    return MStatus::kSuccess;
}

const CommandRegistration* PluginRegistry::findCommand(const std::string& name) const {
    for (const CommandRegistration& command : commands_)
        if (command.name == name) return &command;
    return nullptr;
}

std::shared_ptr<const NodeType> PluginRegistry::findType(const std::function<bool(const NodeType&)>& wanted) const {
    for (const auto& builtin :
         {TransformNode::nodeType(), MeshNode::nodeType(), CameraNode::nodeType(), PolyTweakNode::nodeType()})
        if (wanted(*builtin)) return builtin;
    for (const std::shared_ptr<const NodeType>& type : types_)
        if (wanted(*type)) return type;
    return nullptr;
}

std::shared_ptr<const NodeType> PluginRegistry::findType(const std::string& name) const {
    return findType([&](const NodeType& type) { return type.name() == name; });
}

std::shared_ptr<const NodeType> PluginRegistry::findType(MTypeId id) const {
    return findType([&](const NodeType& type) { return type.id() == id; });
}
