#include "MFnPlugin.h"

#include "HostSession.h"

namespace {

MStatus noPlugin() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

MFnPlugin::MFnPlugin(MObject& plugin, const char* vendor, const char* version, const char* requiredApiVersion,
                     MStatus* status)
    : plugin_(plugin.as<PluginRecord>()) {
    setStatus(status, plugin_ ? MStatus() : noPlugin());
    if (!plugin_ || !plugin_->vendor.empty()) return;
    plugin_->vendor = vendor ? vendor : "";
    plugin_->version = version ? version : "";
    plugin_->apiVersion = requiredApiVersion ? requiredApiVersion : "";
}

MStatus MFnPlugin::registerCommand(const MString& name, MCreatorFunction creator, MCreateSyntaxFunction syntax) {
    if (!plugin_) return noPlugin();
    return hostSession().plugins.registerCommand(*plugin_, name.str(), creator, syntax);
}

MStatus MFnPlugin::deregisterCommand(const MString& name) {
    if (!plugin_) return noPlugin();
    return hostSession().plugins.deregisterCommand(*plugin_, name.str());
}

MStatus MFnPlugin::registerNode(const MString& typeName, const MTypeId& id, MCreatorFunction creator,
                                MInitializeFunction initialize, MPxNode::Type type, const MString*) {
    if (!plugin_) return noPlugin();
    if (type != MPxNode::kDependNode)
        return MStatus(MStatus::kNotImplemented, "Only plain dependency nodes can be registered");
    return hostSession().plugins.registerNode(*plugin_, typeName.str(), id, creator, initialize);
}

MStatus MFnPlugin::deregisterNode(const MTypeId& id) {
    if (!plugin_) return noPlugin();
    return hostSession().plugins.deregisterNode(*plugin_, id);
}

MStatus MFnPlugin::registerUI(const MString& createProcedure, const MString& deleteProcedure, const MString&,
                              const MString&) {
    if (!plugin_) return noPlugin();
    if (createProcedure.empty() || deleteProcedure.empty())
        return MStatus(MStatus::kInvalidParameter, "Both procedures must be named");
    plugin_->createUI = createProcedure.str();
    plugin_->deleteUI = deleteProcedure.str();
    return MStatus::kSuccess;
}

MStringArray MFnPlugin::addMenuItem(const MString& label, const MString& parentMenu, const MString& command,
                                    const MString& commandParameters, bool needOptionBox,
                                    const MString* optionBoxFunction, MStatus* status, const MString*) {
    MStringArray names;
    if (!plugin_) {
        setStatus(status, noPlugin());
        return names;
    }
    UserInterface& ui = hostSession().ui;
    std::string call = command.str();
    if (!commandParameters.empty()) call += " " + commandParameters.str();
    std::string item;
    MStatus added = ui.addMenuItem(parentMenu.str(), label.str(), call, item);
    if (added) {
        names.append(MString(item));
        plugin_->menuItems.push_back(item);
    }
    if (added && needOptionBox) {
        const std::string optionCall = optionBoxFunction ? optionBoxFunction->str() : call;
        added = ui.addMenuItem(parentMenu.str(), label.str() + " Options", optionCall, item);
        if (added) {
            names.append(MString(item));
            plugin_->menuItems.push_back(item);
        }
    }
    setStatus(status, added);
    return names;
}

MStatus MFnPlugin::removeMenuItem(MStringArray& names) {
    MStatus status;
    for (unsigned i = 0; i < names.length(); ++i) {
        if (!hostSession().ui.removeMenuItem(names[i].str()))
            status = MStatus(MStatus::kInvalidParameter, "No menu item named " + names[i].str());
        if (plugin_) std::erase(plugin_->menuItems, names[i].str());
    }
    return status;
}

MString MFnPlugin::loadPath(MStatus* status) const {
    setStatus(status, plugin_ ? MStatus() : noPlugin());
    return plugin_ ? MString(plugin_->path) : MString();
}

MString MFnPlugin::vendor() const {
    return plugin_ ? MString(plugin_->vendor) : MString();
}

MString MFnPlugin::version() const {
    return plugin_ ? MString(plugin_->version) : MString();
}

MString MFnPlugin::name() const {
    return plugin_ ? MString(plugin_->name) : MString();
}
