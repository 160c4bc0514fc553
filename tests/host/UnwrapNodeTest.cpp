#include "host/UnwrapNode.h"
#include "host/UnwrapCommand.h"
#include "hostapi/M3dView.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MFnPlugin.h"
#include "hostapi/MeshData.h"
#include "preview/ShowPreview.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

MStatus initializeUnwrap(MObject plugin) {
    MFnPlugin fn(plugin);
    fn.registerCommand("varnelleDemo", tmod_cmd::creator, tmod_cmd::newSyntax);
    return fn.registerNode("varnelleDemo_node", tmod_node::id, tmod_node::creator, tmod_node::initialize);
}

MStatus uninitializeUnwrap(MObject plugin) {
    MFnPlugin fn(plugin);
    fn.deregisterCommand("varnelleDemo");
    return fn.deregisterNode(tmod_node::id);
}

const char* const kPanels[] = {"modelPanel1", "modelPanel2", "modelPanel3", "modelPanel4"};

class UnwrapNode : public testing::Test {
protected:
    void SetUp() override {
        M3dView::setApplicationShell(1);
        hostSession().plugins.addModule({"unwrap", initializeUnwrap, uninitializeUnwrap, ""});
        scenemesh::run("loadPlugin unwrap");
        const MObject mesh = testmesh::cube();
        testmesh::addUVs(mesh, false);
        box_ = scenemesh::add(mesh, "box");
        scenemesh::add(testmesh::grid(2), "plate");
        setPreviewPresenter([this](const PreviewRender&) { ++layouts_; });
    }
    void TearDown() override {
        setPreviewPresenter(nullptr);
        hostSession().scene.reset();
        hostSession().ui.resetLayout();
        scenemesh::run("unloadPlugin unwrap");
        M3dView::setApplicationShell(0);
    }

    std::string value(const std::string& plug) const { return scenemesh::run("getAttr " + plug).values.at(0); }
    std::shared_ptr<SceneNode> node() const { return hostSession().scene.find("varnelleDemo_node1"); }
    const tmod_node& user() const {
        return *static_cast<const tmod_node*>(MFnDependencyNode(MObject(node())).userNode());
    }
    // Evaluates the node's output the way a reader of the mesh does.
    MStatus evaluate() const { return node()->evaluate(node()->findAttribute("outMesh")); }
    size_t callbacks(const char* panel) const { return hostSession().callbacks.postRenderCount(panel); }
    size_t panelCallbacks() const {
        size_t count = 0;
        for (const char* panel : kPanels)
            count += callbacks(panel);
        return count;
    }
    bool greenInPanel(const char* panel) const {
        const std::vector<uint32_t>& pixels = hostSession().ui.findPanel(panel)->image.pixels;
        return std::find(pixels.begin(), pixels.end(), 0x00ff00u) != pixels.end();
    }

    std::shared_ptr<MeshNode> box_;
    int layouts_ = 0;
};

} // namespace

TEST_F(UnwrapNode, CommandInsertsANodeForTheFirstSelectedMeshWithItsFlagsAsAttributes) {
    scenemesh::run("select box plate");
    scenemesh::run("varnelleDemo -t 1 -pad 3 -w 512 -ks 1 -st 0.3 -cr 5 -hq true");
    EXPECT_EQ(scenemesh::run("ls -type varnelleDemo_node").values, std::vector<std::string>{"varnelleDemo_node1"});
    MPlugArray sources;
    MFnDependencyNode(MObject(box_)).findPlug("inMesh", true).connectedTo(sources, true, false);
    ASSERT_EQ(sources.length(), 1u);
    EXPECT_EQ(sources[0].name(), "varnelleDemo_node1.outMesh");
    EXPECT_FALSE(MFnDependencyNode(MObject(hostSession().scene.find("plateShape"))).findPlug("i", true).isConnected());

    EXPECT_EQ(value("varnelleDemo_node1.Skip_compute"), "1");
    EXPECT_EQ(value("varnelleDemo_node1.Mesh_path"), "|box|boxShape");
    EXPECT_EQ(value("varnelleDemo_node1.p_pa"), "3");
    EXPECT_EQ(value("varnelleDemo_node1.Texture_Width"), "512");
    EXPECT_EQ(value("varnelleDemo_node1.Texture_Height"), "1024");
    EXPECT_EQ(value("varnelleDemo_node1.Stretch"), "0.3");
    EXPECT_EQ(value("varnelleDemo_node1.Unwrap_Type"), "1");
    EXPECT_EQ(value("varnelleDemo_node1.Keep_Borders"), "1");
    EXPECT_EQ(value("varnelleDemo_node1.UV_Set"), "map1");
    EXPECT_EQ(value("varnelleDemo_node1.Cam_Angle"), "45");

    // The first evaluation unwraps, keeps the output equal to the input and draws the kept
    // seams over every panel.
    EXPECT_EQ(layouts_, 0) << "the command itself evaluates nothing";
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(layouts_, 1);
    EXPECT_EQ(user().computeCount(), 1);
    EXPECT_GT(user().overlay().seamPairs.length(), 0u);
    for (const char* panel : kPanels)
        EXPECT_EQ(callbacks(panel), 1u) << panel;
    MPointArray shown;
    MFnMesh(MObject(box_)).getPoints(shown);
    const MObject original = testmesh::cube();
    const std::vector<MPoint>& cube = original.as<MeshData>()->points();
    ASSERT_EQ(shown.length(), cube.size());
    for (unsigned i = 0; i < shown.length(); ++i)
        EXPECT_EQ((shown[i] - cube[i]).length(), 0.0);
    scenemesh::run("refresh");
    EXPECT_TRUE(greenInPanel("modelPanel4"));
}

TEST_F(UnwrapNode, LatchSkipsLaterEvaluationsUntilItIsSetToZero) {
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 1");
    ASSERT_TRUE(evaluate());
    ASSERT_EQ(layouts_, 1);
    scenemesh::run("setAttr varnelleDemo_node1.Stretch 0.2");
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(layouts_, 1) << "a second evaluation with the latch at 1 does nothing";
    EXPECT_EQ(user().computeCount(), 2);
    EXPECT_TRUE(node()->isDirty(node()->findAttribute("outMesh"))) << "not even the output is written";

    scenemesh::run("setAttr varnelleDemo_node1.Skip_compute 0");
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(layouts_, 2);
    EXPECT_EQ(value("varnelleDemo_node1.Skip_compute"), "1");
    EXPECT_EQ(user().computeCount(), 3);
}

TEST_F(UnwrapNode, NodeStateOnePassesTheMeshThroughAndDrawsNothing) {
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 1 -ks 1");
    scenemesh::run("setAttr varnelleDemo_node1.nodeState 1");
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(layouts_, 0);
    EXPECT_EQ(panelCallbacks(), 0u);
    MPointArray shown;
    MFnMesh(MObject(box_)).getPoints(shown);
    EXPECT_EQ(shown.length(), 8u);
    scenemesh::run("refresh");
    for (const char* panel : kPanels)
        EXPECT_FALSE(greenInPanel(panel)) << panel;
}

TEST_F(UnwrapNode, AMissingPanelIsNamedAndTheOthersStillDraw) {
    hostSession().ui.removePanel("modelPanel2");
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 1 -ks 1");
    testing::internal::CaptureStderr();
    const MStatus status = evaluate();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(status);
    EXPECT_EQ(layouts_, 1) << "the unwrap itself is not undone";
    EXPECT_NE(errors.find("Could not attach postrender callback to panel modelPanel2: (kInvalidParameter)"),
              std::string::npos)
        << errors;
    EXPECT_EQ(errors.find("modelPanel1"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Could not attach viewport callback\n"), std::string::npos) << errors;
    EXPECT_EQ(callbacks("modelPanel1") + callbacks("modelPanel3") + callbacks("modelPanel4"), 3u);
}

TEST_F(UnwrapNode, PanelCallbacksGoWithTheMeshOrTheNode) {
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 1 -ks 1");
    ASSERT_TRUE(evaluate());
    ASSERT_EQ(panelCallbacks(), 4u);
    scenemesh::run("delete box");
    EXPECT_EQ(panelCallbacks(), 4u) << "the node lives on without its mesh";
    scenemesh::run("refresh");
    EXPECT_EQ(panelCallbacks(), 0u) << "the next redraw finds the mesh gone";

    scenemesh::run("undo");
    scenemesh::run("setAttr varnelleDemo_node1.Skip_compute 0");
    ASSERT_TRUE(evaluate());
    ASSERT_EQ(panelCallbacks(), 4u);
    scenemesh::run("delete varnelleDemo_node1");
    EXPECT_EQ(panelCallbacks(), 0u) << "removing the node removes its callbacks first";
}

TEST_F(UnwrapNode, CommandUndoesAndRedoesWithItsResults) {
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 1");
    scenemesh::run("undo");
    EXPECT_EQ(hostSession().commands.currentResult().values, std::vector<std::string>{"tmod undo succeeded!"});
    EXPECT_TRUE(scenemesh::run("ls -type varnelleDemo_node").values.empty());
    EXPECT_FALSE(MFnDependencyNode(MObject(box_)).findPlug("inMesh", true).isConnected());
    scenemesh::run("redo");
    EXPECT_EQ(hostSession().commands.currentResult().values, std::vector<std::string>{"1"});
    EXPECT_TRUE(hostSession().commands.currentResult().array);
    EXPECT_EQ(scenemesh::run("ls -type varnelleDemo_node").values.size(), 1u);

    // Without history the command unwraps at once, and there is nothing to evaluate later.
    scenemesh::run("constructionHistory -toggle 0");
    scenemesh::run("select plate");
    scenemesh::run("varnelleDemo -t 1");
    EXPECT_EQ(layouts_, 1);
    EXPECT_EQ(scenemesh::run("ls -type varnelleDemo_node").values.size(), 1u);
    scenemesh::run("redo");
    EXPECT_EQ(layouts_, 1) << "nothing was undone";
    scenemesh::run("undo");
    scenemesh::run("redo");
    EXPECT_EQ(layouts_, 2) << "redo unwraps again";
}

TEST_F(UnwrapNode, FailedRunsAreReturnedAsFailures) {
    scenemesh::run("select box");
    scenemesh::run("varnelleDemo -t 7");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(evaluate());
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(node()->isDirty(node()->findAttribute("outMesh"))) << "the output is marked clean all the same";

    M3dView::setApplicationShell(0);
    scenemesh::run("setAttr varnelleDemo_node1.Unwrap_Type 1");
    scenemesh::run("setAttr varnelleDemo_node1.Skip_compute 0");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(evaluate());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Maya window handle not found\n");
    EXPECT_EQ(layouts_, 0);
}
