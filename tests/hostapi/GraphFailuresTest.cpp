#include "hostapi/HostSession.h"
#include "hostapi/MDataBlock.h"
#include "hostapi/MFnAttribute.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnPlugin.h"
#include "hostapi/SceneFile.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

// A node whose compute throws, and an initialize that adds one name twice.
class Throwing : public MPxNode {
public:
    MStatus compute(const MPlug&, MDataBlock&) override { throw std::runtime_error("out of paint"); }
    static void* creator() { return new Throwing(); }
    static MStatus initialize() {
        MFnNumericAttribute numeric;
        input = numeric.create("input", "in", MFnNumericData::kFloat);
        output = numeric.create("output", "out", MFnNumericData::kFloat);
        addAttribute(input);
        addAttribute(output);
        return attributeAffects(input, output);
    }
    static MStatus initializeTwice() {
        MFnNumericAttribute numeric;
        MObject first = numeric.create("value", "v", MFnNumericData::kInt);
        MObject second = numeric.create("value", "w", MFnNumericData::kInt);
        addAttribute(first);
        return addAttribute(second);
    }
    static MObject input, output;
};
MObject Throwing::input, Throwing::output;

MStatus initializeThrowing(MObject plugin) {
    return MFnPlugin(plugin).registerNode("throwing", MTypeId(0x7003), Throwing::creator, Throwing::initialize);
}

MStatus uninitializeThrowing(MObject plugin) {
    return MFnPlugin(plugin).deregisterNode(MTypeId(0x7003));
}

class GraphFailures : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-graph-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
        hostSession().plugins.addModule({"throwing", initializeThrowing, uninitializeThrowing, ""});
    }
    void TearDown() override {
        hostSession().scene.reset();
        std::string error;
        hostSession().plugins.unload("throwing", error);
        std::filesystem::remove_all(folder_);
    }

    // Opens a scene file with the given lines after the first; returns the error.
    std::string openError(const std::string& lines) {
        const std::string path = (folder_ / "scene.vscene").string();
        std::ofstream(path) << "varnelle scene 1\n" << lines;
        try {
            openScene(path);
        } catch (const FileError& error) {
            return std::string(error.what()).substr(path.size() + 1);
        }
        return "";
    }

    std::filesystem::path folder_;
};

} // namespace

TEST_F(GraphFailures, ConnectionsThatCannotHoldAreRefused) {
    const std::shared_ptr<MeshNode> box = scenemesh::add(testmesh::cube(), "box");
    const std::shared_ptr<MeshNode> crate = scenemesh::add(testmesh::cube(), "crate");
    Scene& scene = hostSession().scene;
    const auto plug = [](const std::shared_ptr<MeshNode>& node, const char* name) {
        return PlugAddress{node->findAttribute(name)};
    };
    EXPECT_FALSE(scene.connect(box, plug(box, "outMesh"), crate, plug(crate, "visibility"))) << "mesh data into a flag";
    EXPECT_FALSE(scene.connect(box, plug(box, "outMesh"), crate, PlugAddress{crate->findAttribute("worldMatrix"), 0}))
        << "into a plug that cannot be written";
    EXPECT_FALSE(scene.connect(box, plug(box, "visibility"), box, plug(box, "visibility"))) << "into itself";
    EXPECT_FALSE(scene.connect(box, PlugAddress{99}, crate, plug(crate, "inMesh")));
    // Numbers connect across kinds; a whole array only to a whole array.
    EXPECT_TRUE(scene.connect(box, PlugAddress{box->findAttribute("pnts"), 0, 1}, crate, plug(crate, "visibility")));
    EXPECT_FALSE(scene.connect(box, plug(box, "pnts"), crate, PlugAddress{crate->findAttribute("pnts"), 0}));
    ASSERT_TRUE(scene.connect(box, plug(box, "pnts"), crate, plug(crate, "pnts")));
    EXPECT_FALSE(scene.connect(box, PlugAddress{box->findAttribute("pnts"), 3}, crate,
                               PlugAddress{crate->findAttribute("pnts"), 3}))
        << "an element of an array that already has an input";

    scenemesh::run("setAttr boxShape.pnts[3] 0 0 4");
    scenemesh::run("setAttr boxShape.pnts[0].pnty 1");
    EXPECT_EQ(scenemesh::run("getAttr crateShape.pnts").values[0], "0 1 0 0 0 4") << "the whole array is pulled";
    EXPECT_EQ(scenemesh::run("getAttr crateShape.visibility").values[0], "1");
    CommandResult result;
    std::string error;
    EXPECT_FALSE(hostSession().commands.execute("setAttr crateShape.pnts[3] 1 1 1", result, error, true));
    EXPECT_EQ(error, "The attribute 'crateShape.pnts[3]' is connected and cannot be set");
}

TEST_F(GraphFailures, ComputeExceptionsAndBadInitializeFunctions) {
    std::string error;
    ASSERT_TRUE(hostSession().plugins.load("throwing", error)) << error;
    MFnDependencyNode node;
    const MObject made = node.create("throwing");
    testing::internal::CaptureStderr();
    MStatus status;
    MFnDependencyNode(made).findPlug("output", true).asFloat(&status);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "// Error: throwing1: compute failed: out of paint //\n");
    EXPECT_EQ(made.as<SceneNode>()->evaluate(made.as<SceneNode>()->findAttribute("output")).statusCode(),
              MStatus::kFailure);

    auto record = std::make_shared<PluginRecord>();
    record->name = "twice";
    MObject plugin(record);
    EXPECT_FALSE(
        MFnPlugin(plugin).registerNode("twice", MTypeId(0x7004), Throwing::creator, Throwing::initializeTwice));
    EXPECT_FALSE(hostSession().plugins.findType("twice")) << "a type whose initialize failed is not registered";
    EXPECT_FALSE(MPxNode::addAttribute(Throwing::input)) << "outside an initialize function";
    MDataBlock block(*made.as<SceneNode>());
    block.outputValue(Throwing::output, &status);
    EXPECT_TRUE(status);
    block.inputValue(MObject(), &status);
    EXPECT_FALSE(status);
}

TEST_F(GraphFailures, SceneFilesAreReadStrictly) {
    EXPECT_EQ(openError("node transform a\nattr translate 1 2\n"), "3: translate: a double3 value takes 3 words");
    EXPECT_EQ(openError("node sphere a\n"), "2: unknown node type 'sphere'");
    EXPECT_EQ(openError("node transform a\nnode transform a\n"), "3: bad or repeated node name 'a'");
    EXPECT_EQ(openError("attr translate 1 2 3\n"), "2: a value before the first node");
    EXPECT_EQ(openError("node mesh m nobody\n"), "2: bad parent 'nobody' of m");
    EXPECT_EQ(openError("node transform a\nnode transform b a\nnode transform c b\nconnect a.tx c.nothing\n"),
              "5: No attribute 'nothing' on c");
    EXPECT_EQ(openError("node mesh m\nmesh outMesh 3 1 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 3 0 1 7\n"),
              "7: a whole number from 0 to 2 was expected, not '7'");
    EXPECT_EQ(openError("node mesh m\nmesh outMesh 3 1 0\nv 0 0 0\n"),
              "4: the file ends where a 'v' line was expected");
    EXPECT_EQ(openError("requires nothing\n"), "2: Plug-in not found: nothing");
    EXPECT_EQ(openError("frobnicate\n"), "2: unknown statement 'frobnicate'");

    const std::string path = (folder_ / "other.txt").string();
    std::ofstream(path) << "not a scene\n";
    EXPECT_THROW(openScene(path), FileError);
    EXPECT_THROW(openScene((folder_ / "missing.vscene").string()), FileError);
    EXPECT_THROW(saveScene((folder_ / "no" / "scene.vscene").string()), FileError);
    EXPECT_TRUE(hostSession().scene.find("persp")) << "a failed open leaves a new scene";
}
