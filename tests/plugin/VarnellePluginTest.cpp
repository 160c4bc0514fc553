#include "plugin/VarnellePlugin.h"

#include "host/UnwrapCommand.h"
#include "hostapi/HostSession.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnPlugin.h"

#include <gtest/gtest.h>

namespace {

class VarnellePlugin : public testing::Test {
protected:
    void SetUp() override { registerVarnelleModule(); }
    void TearDown() override {
        hostSession().scene.reset();
        hostSession().ui.resetLayout();
        std::string error;
        hostSession().plugins.unload("varnelle", error);
    }

    static bool commandKnown() { return hostSession().plugins.findCommand("varnelleDemo") != nullptr; }
    static bool nodeKnown() { return hostSession().plugins.findType("varnelleDemo_node") != nullptr; }
    static std::vector<MenuItem> uvMenu() { return hostSession().ui.menuItems("mainUVMenu"); }

    // A plug-in object as the host hands one to the entry points.
    static MObject pluginObject(const char* name) {
        auto record = std::make_shared<PluginRecord>();
        record->name = name;
        return MObject(record);
    }
};

} // namespace

TEST_F(VarnellePlugin, LoadRegistersCommandNodeUIAndMenuItemAndUnloadRemovesThem) {
    std::string error;
    ASSERT_TRUE(hostSession().plugins.load("varnelle", error)) << error;
    EXPECT_TRUE(commandKnown());
    const auto type = hostSession().plugins.findType(MTypeId(0x113C41));
    ASSERT_TRUE(type);
    EXPECT_EQ(type->name(), "varnelleDemo_node");
    EXPECT_EQ(type->attributeCount(), 1u + 2u + 24u) << "node state, the two meshes and the settings";
    ASSERT_EQ(uvMenu().size(), 1u);
    EXPECT_EQ(uvMenu()[0].label, "Varnelle Demo");
    EXPECT_EQ(uvMenu()[0].command, "varnelleDemoMenuItemClicked");
    ASSERT_EQ(varnelleMenuItems().length(), 1u);
    EXPECT_EQ(varnelleMenuItems()[0], MString(uvMenu()[0].name));

    MFnDependencyNode node;
    node.create("varnelleDemo_node");
    EXPECT_FALSE(hostSession().plugins.unload("varnelle", error)) << "refused while a node of it exists";
    EXPECT_EQ(error, "Plug-in varnelle is still in use by varnelleDemo_node1");
    hostSession().scene.reset();

    ASSERT_TRUE(hostSession().plugins.unload("varnelle", error)) << error;
    EXPECT_FALSE(commandKnown());
    EXPECT_FALSE(nodeKnown());
    EXPECT_TRUE(uvMenu().empty());
    EXPECT_EQ(varnelleMenuItems().length(), 0u);
}

TEST_F(VarnellePlugin, AFailingRegistrationStepStopsLoadingThere) {
    // Another plug-in holds the node type's id: the node step fails, the command stays, the
    // UI and the menu item never come.
    MObject other = pluginObject("other");
    ASSERT_TRUE(MFnPlugin(other).registerNode(
        "someNode", MTypeId(0x113C41), [] { return static_cast<void*>(nullptr); }, nullptr));
    MObject plugin = pluginObject("varnelle");
    testing::internal::CaptureStderr();
    const MStatus status = initializePlugin(plugin);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(status);
    EXPECT_EQ(errors.rfind("Failed to register \"varnelle_node\"\n: (kFailure)", 0), 0u) << errors;
    EXPECT_TRUE(commandKnown());
    EXPECT_TRUE(plugin.as<PluginRecord>()->createUI.empty());
    EXPECT_TRUE(uvMenu().empty());
    MFnPlugin(plugin).deregisterCommand("varnelleDemo");
    MFnPlugin(other).deregisterNode(MTypeId(0x113C41));

    // Through the host, a failed load takes back what the plug-in registered.
    MFnPlugin(other).registerNode(
        "someNode", MTypeId(0x113C41), [] { return static_cast<void*>(nullptr); }, nullptr);
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(hostSession().plugins.load("varnelle", error));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(commandKnown());
    EXPECT_FALSE(hostSession().plugins.isLoaded("varnelle"));
    MFnPlugin(other).deregisterNode(MTypeId(0x113C41));
}

TEST_F(VarnellePlugin, WithoutTheUVMenuEverythingButTheMenuItemStaysRegistered) {
    hostSession().ui.removeMenu("mainUVMenu");
    MObject plugin = pluginObject("varnelle");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(initializePlugin(plugin));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("addMenuItem: (kInvalidParameter)", 0), 0u);
    EXPECT_TRUE(commandKnown());
    EXPECT_TRUE(nodeKnown());
    EXPECT_EQ(plugin.as<PluginRecord>()->createUI, "varnelleDemoCreateUI");
    EXPECT_EQ(varnelleMenuItems().length(), 0u);
    MFnPlugin(plugin).deregisterCommand("varnelleDemo");
    MFnPlugin(plugin).deregisterNode(MTypeId(0x113C41));
}

TEST_F(VarnellePlugin, AFailedCommandDeregistrationStopsTheUnloadBeforeTheNodeType) {
    std::string error;
    ASSERT_TRUE(hostSession().plugins.load("varnelle", error)) << error;
    MObject plugin = pluginObject("varnelle");
    MFnPlugin(plugin).deregisterCommand("varnelleDemo");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(uninitializePlugin(plugin));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("deregisterCommand: (kFailure)", 0), 0u);
    EXPECT_TRUE(nodeKnown());
    EXPECT_EQ(uvMenu().size(), 1u);
    ASSERT_TRUE(MFnPlugin(plugin).registerCommand("varnelleDemo", tmod_cmd::creator, tmod_cmd::newSyntax));
    ASSERT_TRUE(hostSession().plugins.unload("varnelle", error)) << error;
}

TEST_F(VarnellePlugin, TheMenuItemRunsTheCommandOnTheSelection) {
    std::string error;
    ASSERT_TRUE(hostSession().plugins.load("varnelle", error)) << error;
    ASSERT_EQ(uvMenu().size(), 1u);
    CommandResult result;
    EXPECT_FALSE(hostSession().commands.execute(uvMenu()[0].command, result, error, true))
        << "with no mesh selected the command fails";
}
