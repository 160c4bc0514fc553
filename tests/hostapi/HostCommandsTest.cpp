#include "hostapi/HostSession.h"
#include "hostapi/M3dView.h"
#include "hostapi/MDGModifier.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MGLFunctionTable.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MeshData.h"
#include "hostapi/SceneFile.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class HostCommands : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-host-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        hostSession().scene.reset();
        hostSession().ui.resetLayout();
        std::filesystem::remove_all(folder_);
    }

    // Runs a line that must fail and returns its error.
    static std::string failure(const std::string& line) {
        CommandResult result;
        std::string error;
        EXPECT_FALSE(hostSession().commands.execute(line, result, error, true)) << line;
        return error;
    }

    std::filesystem::path folder_;
};

} // namespace

TEST_F(HostCommands, AttributesAreSetReadAndUndoneAsWords) {
    scenemesh::add(testmesh::cube(), "box");
    scenemesh::run("setAttr box.translate 1 2.5 -3");
    EXPECT_EQ(scenemesh::run("getAttr box.translate").values, std::vector<std::string>{"1 2.5 -3"});
    scenemesh::run("setAttr box.ty 7");
    EXPECT_EQ(scenemesh::run("getAttr box.translateY").values[0], "7");
    scenemesh::run("setAttr boxShape.pnts[4] 0 0 0.5");
    EXPECT_EQ(scenemesh::run("getAttr boxShape.pnts[4].pntz").values[0], "0.5");
    scenemesh::run("setAttr persp.visibility off");
    EXPECT_EQ(scenemesh::run("getAttr persp.v").values[0], "0");

    scenemesh::run("undo");
    EXPECT_EQ(scenemesh::run("getAttr persp.v").values[0], "1");
    scenemesh::run("undo");
    scenemesh::run("undo");
    EXPECT_EQ(scenemesh::run("getAttr box.translate").values[0], "1 2.5 -3");
    scenemesh::run("redo");
    EXPECT_EQ(scenemesh::run("getAttr box.ty").values[0], "7");

    EXPECT_EQ(failure("setAttr box.translate 1 2"), "box.translate: a double3 value takes 3 words");
    EXPECT_EQ(failure("setAttr nobody.tx 1"), "No object matches name: nobody");
    EXPECT_EQ(failure("setAttr box.colour 1"), "No attribute 'colour' on box");
    EXPECT_EQ(failure("setAttr boxShape.pnts 1 2 3"), "boxShape.pnts is an array: name an element");
    EXPECT_EQ(failure("setAttr box.wm[0] 1"), "The attribute 'box.wm[0]' cannot be written");
    EXPECT_EQ(failure("getAttr boxShape.outMesh"), "boxShape.outMesh holds mesh data, which has no text");
    EXPECT_EQ(failure("setAttr \"box.tx 1"), "a quoted word is not closed");
    EXPECT_EQ(failure("frobnicate now"), "Cannot find procedure \"frobnicate\".");
}

TEST_F(HostCommands, SelectionListingHistoryAndDeletion) {
    scenemesh::add(testmesh::cube(), "box");
    scenemesh::add(testmesh::grid(2), "plate");
    EXPECT_EQ(scenemesh::run("ls -type mesh").values, (std::vector<std::string>{"boxShape", "plateShape"}));
    EXPECT_EQ(scenemesh::run("ls -type transform p*").values, (std::vector<std::string>{"persp", "plate"}));
    scenemesh::run("select plate box");
    EXPECT_EQ(scenemesh::run("ls -sl").values, (std::vector<std::string>{"plate", "box"}));
    EXPECT_EQ(failure("select nothing"), "No object matches name: nothing");

    int history = -1;
    ASSERT_TRUE(MGlobal::executeCommand("constructionHistory -q -tgl", history));
    EXPECT_EQ(history, 1);
    scenemesh::run("constructionHistory -toggle 0");
    ASSERT_TRUE(MGlobal::executeCommand("constructionHistory -q -tgl", history));
    EXPECT_EQ(history, 0);

    scenemesh::run("delete box");
    EXPECT_EQ(scenemesh::run("ls -type mesh").values, std::vector<std::string>{"plateShape"});
    EXPECT_EQ(scenemesh::run("ls -sl").values, std::vector<std::string>{"plate"});
    scenemesh::run("undo");
    EXPECT_EQ(scenemesh::run("ls -type mesh").values, (std::vector<std::string>{"plateShape", "boxShape"}));
    EXPECT_EQ(scenemesh::run("ls -sl").values, (std::vector<std::string>{"plate", "box"}));
}

TEST_F(HostCommands, SavedScenesOpenWithTheirValuesConnectionsAndMeshes) {
    const MObject mesh = testmesh::cube();
    testmesh::addUVs(mesh, false);
    const std::shared_ptr<MeshNode> box = scenemesh::add(mesh, "box");
    const std::shared_ptr<MeshNode> plate = scenemesh::add(testmesh::grid(1), "plate");
    scenemesh::run("setAttr box.rotate 0 45 0");
    scenemesh::run("setAttr boxShape.pnts[2] 0 1 0");
    scenemesh::run("constructionHistory -toggle 0");
    scenemesh::feed(box, plate);
    scenemesh::run("select box");
    const std::string path = (folder_ / "scene.vscene").string();
    scenemesh::run("save \"" + path + "\"");

    hostSession().scene.reset();
    scenemesh::run("open \"" + path + "\"");
    EXPECT_EQ(scenemesh::run("getAttr box.rotate").values[0], "0 45 0");
    EXPECT_EQ(scenemesh::run("getAttr boxShape.pnts[2]").values[0], "0 1 0");
    EXPECT_EQ(scenemesh::run("ls -sl").values, std::vector<std::string>{"box"});
    int history = -1;
    MGlobal::executeCommand("constructionHistory -q -tgl", history);
    EXPECT_EQ(history, 0);
    // The plate takes the box's mesh through the restored connection.
    MPointArray points;
    MFnMesh(MObject(hostSession().scene.find("plateShape"))).getPoints(points);
    ASSERT_EQ(points.length(), 8u);
    EXPECT_EQ(points[2].y, 2.0);
    const MeshData& opened = *MFnMesh(MObject(hostSession().scene.find("boxShape"))).data();
    EXPECT_EQ(opened.uvSets().at(0).faceVertexUVs, mesh.as<MeshData>()->uvSets()[0].faceVertexUVs);

    std::ofstream(folder_ / "bad.vscene") << "varnelle scene 1\nnode transform a\nattr translate 1 x 3\n";
    const std::string error = failure("open \"" + (folder_ / "bad.vscene").string() + "\"");
    EXPECT_NE(error.find("bad.vscene:3: translate: a number was expected, not 'x'"), std::string::npos) << error;
    EXPECT_FALSE(hostSession().scene.find("box")) << "a failed open leaves a new scene";
}

TEST_F(HostCommands, OverlayLinesLandWhereThePanelsCameraSeesThem) {
    // A green line along the x axis through the origin, drawn after the front panel.
    static bool drawn;
    drawn = false;
    MStatus status;
    const MCallbackId id = MUiMessage::add3dViewPostRenderMsgCallback(
        "modelPanel3",
        [](const MString& panel, void*) {
            M3dView view;
            ASSERT_TRUE(M3dView::getM3dViewFromModelPanel(panel, view));
            MGLFunctionTable& gl = *MHardwareRenderer::theRenderer()->glFunctionTable();
            view.beginGL();
            gl.glColor3f(0.0f, 1.0f, 0.0f);
            gl.glLineWidth(3.0f);
            gl.glBegin(MGL_LINES);
            gl.glVertex3f(-5.0f, 0.0f, 0.0f);
            gl.glVertex3f(5.0f, 0.0f, 0.0f);
            gl.glEnd();
            view.endGL();
            drawn = true;
        },
        nullptr, &status);
    ASSERT_TRUE(status);
    EXPECT_FALSE(MUiMessage::add3dViewPostRenderMsgCallback(
        "modelPanel9", [](const MString&, void*) {}, nullptr, &status));
    EXPECT_EQ(status.statusCode(), MStatus::kInvalidParameter);

    scenemesh::run("refresh");
    ASSERT_TRUE(drawn);
    M3dView front;
    ASSERT_TRUE(M3dView::getM3dViewFromModelPanel("modelPanel3", front));
    const PanelImage& image = *front.image();
    // The front camera's view is 30 units wide: the line spans the middle third of a row
    // through the centre, three pixels thick.
    const int32_t middle = image.height / 2;
    const auto at = [&](int32_t x, int32_t y) { return image.pixels[static_cast<size_t>(y) * image.width + x]; };
    EXPECT_EQ(at(image.width / 2, middle), 0x00ff00u);
    EXPECT_EQ(at(image.width / 2, middle - 1), 0x00ff00u);
    EXPECT_EQ(at(image.width / 2, middle + 1), 0x00ff00u);
    EXPECT_NE(at(image.width / 2, middle - 3), 0x00ff00u);
    EXPECT_EQ(at(image.width / 3 + 2, middle), 0x00ff00u);
    EXPECT_NE(at(image.width / 3 - 3, middle), 0x00ff00u);
    EXPECT_TRUE(MMessage::removeCallback(id));
    EXPECT_FALSE(MMessage::removeCallback(id));
}
