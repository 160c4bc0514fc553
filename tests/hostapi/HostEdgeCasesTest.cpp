#include "hostapi/AttributeText.h"
#include "hostapi/CommandInterpreter.h"
#include "hostapi/HostSession.h"
#include "hostapi/M3dView.h"
#include "hostapi/MDGModifier.h"
#include "hostapi/MFnDagNode.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MObjectHandle.h"
#include "hostapi/SoftwareGL.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class HostEdgeCases : public testing::Test {
protected:
    void TearDown() override {
        hostSession().scene.reset();
        M3dView::setApplicationShell(0);
    }
};

// An undo step that can fail.
class Step : public UndoEntry {
public:
    Step(int& undone, bool fails) : undone_(undone), fails_(fails) {}
    std::string name() const override { return "step"; }
    MStatus undo() override {
        ++undone_;
        return fails_ ? MStatus::kFailure : MStatus::kSuccess;
    }
    MStatus redo() override { return MStatus::kSuccess; }

private:
    int& undone_;
    bool fails_;
};

} // namespace

TEST_F(HostEdgeCases, WordsAndValuesAreReadStrictly) {
    std::vector<std::string> words;
    std::string error;
    ASSERT_TRUE(CommandInterpreter::splitWords("  file -import \"my mesh.obj\" \"a \\\"q\\\" \\\\\"  ", words, error));
    EXPECT_EQ(words, (std::vector<std::string>{"file", "-import", "my mesh.obj", "a \"q\" \\"}));
    ASSERT_TRUE(CommandInterpreter::splitWords("setAttr x.s \"\"", words, error));
    EXPECT_EQ(words.back(), "") << "an empty quoted word is a word";

    AttributeValue value;
    EXPECT_TRUE(parseValue(AttributeType::Bool, {"yes"}, value, error));
    EXPECT_EQ(std::get<bool>(value), true);
    EXPECT_FALSE(parseValue(AttributeType::Bool, {"2"}, value, error));
    EXPECT_FALSE(parseValue(AttributeType::Short, {"40000"}, value, error)) << "out of a short's range";
    EXPECT_FALSE(parseValue(AttributeType::Int, {"1.5"}, value, error));
    EXPECT_EQ(error, "a whole number was expected, not '1.5'");
    EXPECT_FALSE(parseValue(AttributeType::Float, {"nan"}, value, error));
    EXPECT_FALSE(parseValue(AttributeType::Double, {"1e999"}, value, error));
    EXPECT_TRUE(parseValue(AttributeType::Float, {"0.1"}, value, error));
    std::vector<std::string> printed;
    ASSERT_TRUE(formatValue(value, printed));
    EXPECT_EQ(printed, std::vector<std::string>{"0.1"}) << "the shortest text that reads back";

    // A number too large for an integer attribute is refused, not wrapped.
    AttributeValue converted;
    EXPECT_FALSE(convertValue(3e10, AttributeType::Int, converted));
    EXPECT_TRUE(convertValue(-2.9, AttributeType::Int, converted));
    EXPECT_EQ(std::get<int>(converted), -2);
    EXPECT_FALSE(convertValue(MString("1"), AttributeType::Double, converted));
}

TEST_F(HostEdgeCases, PlugNamesAndNodeNames) {
    scenemesh::add(testmesh::cube(), "box");
    NamedPlug plug;
    std::string error;
    ASSERT_TRUE(findNamedPlug("boxShape.pnts[12].pntz", plug, error)) << error;
    EXPECT_EQ(plug.address, (PlugAddress{plug.address.attribute, 12, 2}));
    for (const char* bad : {"boxShape", "boxShape.pnts[x]", "boxShape.pnts[-1]", "boxShape.pnts[1", "box.tx[3]",
                            "boxShape.pnts.pntz", "box.translate.w", ".tx", "box."})
        EXPECT_FALSE(findNamedPlug(bad, plug, error)) << bad;

    Scene& scene = hostSession().scene;
    EXPECT_EQ(scene.uniqueName("box"), "box1");
    EXPECT_EQ(scene.uniqueName("box7"), "box7");
    scenemesh::add(testmesh::cube(), "box");
    EXPECT_EQ(scene.uniqueName("box"), "box2") << "box1 is taken now";
    EXPECT_FALSE(scene.rename(*scene.find("box"), "1st"));
    EXPECT_FALSE(scene.rename(*scene.find("box"), "box1"));
    EXPECT_TRUE(scene.rename(*scene.find("box"), "crate"));

    // A shape made with no parent gets a transform of its own.
    MDagModifier dag;
    const MObject made = dag.createNode("mesh", MObject::kNullObj);
    ASSERT_TRUE(dag.doIt());
    EXPECT_TRUE(made.hasFn(MFn::kTransform));
    EXPECT_EQ(MFnDagNode(made).name(), "polySurface1");
    EXPECT_EQ(MFnDagNode(MFnDagNode(made).child(0)).name(), "polySurfaceShape1");
    dag.undoIt();
    EXPECT_FALSE(scene.find("polySurfaceShape1"));
    EXPECT_FALSE(MObjectHandle(made).isValid());
}

TEST_F(HostEdgeCases, SelectionAdjustmentsAndFilters) {
    scenemesh::add(testmesh::cube(), "box");
    scenemesh::add(testmesh::cube(), "crate");
    scenemesh::run("select box");
    scenemesh::run("select -add crate persp");
    scenemesh::run("select -d box");
    EXPECT_EQ(scenemesh::run("ls -sl").values, (std::vector<std::string>{"crate", "persp"}));
    MSelectionList list;
    MGlobal::getActiveSelectionList(list);
    MItSelectionList meshes(list, MFn::kMesh);
    MDagPath path;
    ASSERT_TRUE(meshes.getDagPath(path));
    EXPECT_EQ(path.fullPathName(), "|crate") << "the transform's own path, for the caller to extend";
    meshes.next();
    EXPECT_TRUE(meshes.isDone()) << "a camera is no mesh";
    scenemesh::run("select -cl");
    EXPECT_TRUE(scenemesh::run("ls -sl").values.empty());
}

TEST_F(HostEdgeCases, UndoDropsAStepThatCannotBeUndone) {
    UndoQueue queue;
    int undone = 0;
    queue.push(std::make_unique<Step>(undone, false));
    queue.push(std::make_unique<Step>(undone, true));
    std::string name;
    EXPECT_FALSE(queue.undo(name));
    EXPECT_EQ(queue.redoCount(), 0u) << "a step whose undo failed cannot be redone";
    EXPECT_TRUE(queue.undo(name));
    EXPECT_EQ(queue.undo(name).statusCode(), MStatus::kNotFound);
    EXPECT_TRUE(queue.redo(name));
    queue.push(std::make_unique<Step>(undone, false));
    EXPECT_EQ(queue.redoCount(), 0u) << "a new step drops what could have been redone";
    EXPECT_EQ(undone, 2);
}

TEST_F(HostEdgeCases, ViewsExistOnlyWithAMainWindowAndLinesBehindTheCameraAreCut) {
    MStatus status;
    M3dView::active3dView(&status);
    EXPECT_FALSE(status) << "a batch session has no active view";
    M3dView::setApplicationShell(7);
    const M3dView active = M3dView::active3dView(&status);
    ASSERT_TRUE(status);
    EXPECT_EQ(active.panelName(), "modelPanel4");
    MDagPath camera;
    ASSERT_TRUE(active.getCamera(camera));
    EXPECT_EQ(camera.fullPathName(), "|persp|perspShape");
    M3dView view;
    EXPECT_FALSE(M3dView::getM3dViewFromModelPanel("outlinerPanel1", view));

    // From the origin looking down -z, a segment below the eye from far in front to behind it
    // is cut at the eye: it runs from just below the centre down out of the picture, and
    // nothing of it shows above the centre.
    PanelImage image;
    clearImage(image, 101, 101, 0);
    MMatrix projection;
    projection[2][2] = 0.0;
    projection[2][3] = -1.0;
    projection[3][3] = 0.0;
    SoftwareGL gl;
    gl.bind(image, MMatrix(), projection);
    gl.colour(1.0f, 0.0f, 0.0f);
    gl.begin();
    gl.vertex(0.0, -1.0, -100.0);
    gl.vertex(0.0, -1.0, 5.0);
    gl.end();
    gl.unbind();
    const auto red = [&](int x, int y) { return image.pixels[static_cast<size_t>(y) * 101 + x] == 0xff0000u; };
    EXPECT_TRUE(red(50, 100));
    EXPECT_TRUE(red(50, 75));
    EXPECT_FALSE(red(50, 40)) << "nothing of the part behind the eye";
    EXPECT_EQ(std::count(image.pixels.begin(), image.pixels.end(), 0xff0000u),
              std::count_if(image.pixels.begin(), image.pixels.end(), [](uint32_t p) { return p != 0; }));
}
