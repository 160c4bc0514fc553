#pragma once

#include "MObject.h"
#include "MStatus.h"
#include "MSyntax.h"
#include "MTypeId.h"
#include "NodeType.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using MCreatorFunction = void* (*)();
using MCreateSyntaxFunction = MSyntax (*)();
using MInitializeFunction = MStatus (*)();

// A plug-in the host can load: a name and its two entry points (the stand-in for a plug-in
// file on disk).
struct PluginModule {
    std::string name;
    MStatus (*initialize)(MObject plugin) = nullptr;
    MStatus (*uninitialize)(MObject plugin) = nullptr;
    // Where the plug-in's files are, as loadPath reports it.
    std::string path;
};

// A loaded plug-in and everything it registered, in order.
struct PluginRecord : HostObject {
    std::string name;
    std::string path;
    std::string vendor;
    std::string version;
    std::string apiVersion;
    std::string createUI;
    std::string deleteUI;
    std::vector<std::string> commands;
    std::vector<MTypeId> nodeTypes;
    std::vector<std::string> menuItems;
};

struct CommandRegistration {
    std::string name;
    MCreatorFunction creator = nullptr;
    MCreateSyntaxFunction syntax = nullptr;
    std::string plugin;
};

// The plug-ins the host knows and has loaded, with their commands and node types next to the
// host's own node types.
class PluginRegistry {
public:
    // Makes a plug-in known by its name; a known name is replaced.
    void addModule(PluginModule module);
    // Loads a plug-in: calls its initializePlugin and then its UI creation procedure. When
    // initializePlugin fails, whatever it registered is removed again and the failure
    // returned, with `error` saying why.
    MStatus load(const std::string& name, std::string& error);
    // Unloads a plug-in: refused while nodes of its types are in the scene; otherwise the
    // undo queue is flushed, its UI deletion procedure and uninitializePlugin run, and what it
    // left registered is removed.
    MStatus unload(const std::string& name, std::string& error);
    bool isLoaded(const std::string& name) const { return loaded_.count(name) > 0; }
    std::vector<std::string> loadedNames() const;

    MStatus registerCommand(PluginRecord& plugin, const std::string& name, MCreatorFunction creator,
                            MCreateSyntaxFunction syntax);
    MStatus deregisterCommand(PluginRecord& plugin, const std::string& name);
    // Registers a node type and runs its initialize function; fails for a taken name or id,
    // or when the initialize function fails (the type is then not registered).
    MStatus registerNode(PluginRecord& plugin, const std::string& typeName, MTypeId id, MCreatorFunction creator,
                         MInitializeFunction initialize);
    MStatus deregisterNode(PluginRecord& plugin, MTypeId id);

    const CommandRegistration* findCommand(const std::string& name) const;
    std::shared_ptr<const NodeType> findType(const std::string& name) const;
    std::shared_ptr<const NodeType> findType(MTypeId id) const;
    // The node type whose initialize function is running, for MPxNode::addAttribute.
    NodeType* initializingType() const { return initializing_; }

private:
    void removeRegistrations(PluginRecord& plugin);
    // The host's own type or a registered one that is wanted; null when none is.
    std::shared_ptr<const NodeType> findType(const std::function<bool(const NodeType&)>& wanted) const;

    std::map<std::string, PluginModule> modules_;
    std::map<std::string, std::shared_ptr<PluginRecord>> loaded_;
    std::vector<CommandRegistration> commands_;
    std::vector<std::shared_ptr<const NodeType>> types_;
    NodeType* initializing_ = nullptr;
};
