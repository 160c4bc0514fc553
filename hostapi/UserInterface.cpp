#include "UserInterface.h"

#include <algorithm>

void UserInterface::resetLayout() {
    panels_.clear();
    addPanel("modelPanel1", "top");
    addPanel("modelPanel2", "side");
    addPanel("modelPanel3", "front");
    addPanel("modelPanel4", "persp");
    menus_.clear();
    addMenu("mainUVMenu");
}

ModelPanel* UserInterface::findPanel(const std::string& name) {
    for (ModelPanel& panel : panels_)
        if (panel.name == name) return &panel;
    return nullptr;
}

void UserInterface::addPanel(const std::string& name, const std::string& camera) {
    if (findPanel(name)) return;
    ModelPanel panel;
    panel.name = name;
    panel.camera = camera;
    panels_.push_back(panel);
}

bool UserInterface::removePanel(const std::string& name) {
    return std::erase_if(panels_, [&](const ModelPanel& panel) { return panel.name == name; }) > 0;
}

bool UserInterface::hasMenu(const std::string& menu) const {
    return std::any_of(menus_.begin(), menus_.end(), [&](const Menu& entry) { return entry.name == menu; });
}

void UserInterface::addMenu(const std::string& menu) {
    if (!hasMenu(menu)) menus_.push_back({menu, {}});
}

bool UserInterface::removeMenu(const std::string& menu) {
    return std::erase_if(menus_, [&](const Menu& entry) { return entry.name == menu; }) > 0;
}

MStatus UserInterface::addMenuItem(const std::string& menu, const std::string& label, const std::string& command,
                                   std::string& fullName) {
    for (Menu& entry : menus_) {
        if (entry.name != menu) continue;
        fullName = menu + "|menuItem" + std::to_string(nextItem_++);
        entry.items.push_back({fullName, label, command});
        return MStatus::kSuccess;
    }
    return MStatus(MStatus::kInvalidParameter, "No menu named " + menu);
}

bool UserInterface::removeMenuItem(const std::string& fullName) {
    for (Menu& entry : menus_)
        if (std::erase_if(entry.items, [&](const MenuItem& item) { return item.name == fullName; }) > 0) return true;
    return false;
}

std::vector<MenuItem> UserInterface::menuItems(const std::string& menu) const {
    for (const Menu& entry : menus_)
        if (entry.name == menu) return entry.items;
    return {};
}
