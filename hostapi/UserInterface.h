#pragma once

#include "MArray.h"
#include "MStatus.h"
#include "MString.h"

#include <cstdint>
#include <string>
#include <vector>

// A rendered picture of a model panel: one 0x00RRGGBB word per pixel, rows top to bottom.
struct PanelImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// A model panel: a 3D view through a camera (named by its transform), with the picture of
// its last refresh.
struct ModelPanel {
    std::string name;
    std::string camera;
    int32_t width = 640;
    int32_t height = 480;
    PanelImage image;
};

struct MenuItem {
    std::string name;
    std::string label;
    std::string command;
};

// The session's user interface as far as plug-ins reach it: the model panels
// ("modelPanel1" top, "modelPanel2" side, "modelPanel3" front, "modelPanel4" persp, the
// fourth being the active one) and the menus with their items ("mainUVMenu", empty).
class UserInterface {
public:
    UserInterface() { resetLayout(); }

    // Back to the four model panels and the empty menus.
    void resetLayout();

    ModelPanel* findPanel(const std::string& name);
    std::vector<ModelPanel>& panels() { return panels_; }
    void addPanel(const std::string& name, const std::string& camera);
    bool removePanel(const std::string& name);

    bool hasMenu(const std::string& menu) const;
    void addMenu(const std::string& menu);
    bool removeMenu(const std::string& menu);
    // Adds an item to a menu and returns its full name ("MENU|ITEM"); fails when the menu
    // does not exist.
    MStatus addMenuItem(const std::string& menu, const std::string& label, const std::string& command,
                        std::string& fullName);
    bool removeMenuItem(const std::string& fullName);
    // The items of a menu in order; empty for a menu that does not exist.
    std::vector<MenuItem> menuItems(const std::string& menu) const;

private:
    struct Menu {
        std::string name;
        std::vector<MenuItem> items;
    };

    std::vector<ModelPanel> panels_;
    std::vector<Menu> menus_;
    unsigned nextItem_ = 1;
};
