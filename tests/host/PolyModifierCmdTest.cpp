#include "host/PolyModifierCmd.h"
#include "host/PolyModifierNode.h"
#include "hostapi/MDataBlock.h"
#include "hostapi/MFnAttribute.h"
#include "hostapi/MFnDagNode.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MFnPlugin.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MeshData.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

namespace {

// Moves every vertex by +1 in x: as a node in the mesh's history, or directly.
MStatus shift(const MObject& mesh) {
    MFnMesh fn(mesh);
    MPointArray points;
    fn.getPoints(points);
    for (MPoint& point : points.items())
        point.x += 1.0;
    return fn.setPoints(points);
}

class ShiftNode : public polyModifierNode {
public:
    MStatus compute(const MPlug&, MDataBlock& data) override {
        MDataHandle output = data.outputValue(outMesh);
        output.set(data.inputValue(inMesh).asMesh());
        shift(output.asMesh());
        output.setClean();
        return MStatus::kSuccess;
    }
    static void* creator() { return new ShiftNode(); }
    static MStatus initialize() {
        MFnTypedAttribute typed;
        inMesh = typed.create("inMesh", "im", MFnData::kMesh);
        outMesh = typed.create("outMesh", "om", MFnData::kMesh);
        addAttribute(inMesh);
        addAttribute(outMesh);
        return attributeAffects(inMesh, outMesh);
    }
    static MObject inMesh, outMesh;
};
MObject ShiftNode::inMesh, ShiftNode::outMesh;

class ShiftCommand : public polyModifierCmd {
public:
    MStatus doIt(const MArgList&) override {
        MSelectionList selection;
        MGlobal::getActiveSelectionList(selection);
        MDagPath mesh;
        MItSelectionList(selection, MFn::kMesh).getDagPath(mesh);
        setTargetMesh(mesh);
        setModifierType(MTypeId(0x7002));
        return applyModifier();
    }
    MStatus undoIt() override { return revertModifier(); }
    MStatus redoIt() override { return reapplyModifier(); }
    bool isUndoable() const override { return true; }
    MStatus modifyMeshDirectly(MObject mesh) override { return shift(mesh); }
    static void* creator() { return new ShiftCommand(); }
};

MStatus initializeShift(MObject plugin) {
    MFnPlugin fn(plugin);
    fn.registerCommand("shift", ShiftCommand::creator);
    return fn.registerNode("shiftNode", MTypeId(0x7002), ShiftNode::creator, ShiftNode::initialize);
}

MStatus uninitializeShift(MObject plugin) {
    MFnPlugin fn(plugin);
    fn.deregisterCommand("shift");
    return fn.deregisterNode(MTypeId(0x7002));
}

class PolyModifier : public testing::Test {
protected:
    void SetUp() override {
        hostSession().plugins.addModule({"shift", initializeShift, uninitializeShift, ""});
        scenemesh::run("loadPlugin shift");
        mesh_ = scenemesh::add(testmesh::cube(), "box");
        original_ = testmesh::cube().as<MeshData>()->points();
    }
    void TearDown() override {
        hostSession().scene.reset();
        scenemesh::run("unloadPlugin shift");
    }

    // The x coordinates the mesh shows, less the cube's own.
    std::vector<double> shownShift() const {
        MPointArray points;
        MFnMesh(MObject(mesh_)).getPoints(points);
        std::vector<double> offsets;
        for (unsigned i = 0; i < points.length(); ++i)
            offsets.push_back(points[i].x - original_[i].x);
        return offsets;
    }
    double shownZ(unsigned vertex) const {
        MPointArray points;
        MFnMesh(MObject(mesh_)).getPoints(points);
        return points[vertex].z - original_[vertex].z;
    }
    std::vector<std::string> nodes(const char* type) const {
        return scenemesh::run(std::string("ls -type ") + type).values;
    }
    std::string inputOf(const char* plug) const {
        MPlugArray sources;
        const MPlug destination = MFnDependencyNode(MObject(mesh_)).findPlug(plug, true);
        destination.connectedTo(sources, true, false);
        return sources.length() ? sources[0].name().str() : "";
    }

    std::shared_ptr<MeshNode> mesh_;
    std::vector<MPoint> original_;
};

const std::vector<double> kShifted(8, 1.0), kUnshifted(8, 0.0);

} // namespace

TEST_F(PolyModifier, MeshWithHistoryGetsTheNodeBetweenItAndItsSource) {
    scenemesh::feed(scenemesh::add(testmesh::cube(), "source"), mesh_);
    scenemesh::run("select box");
    scenemesh::run("shift");
    EXPECT_EQ(inputOf("inMesh"), "shiftNode1.outMesh");
    EXPECT_EQ(shownShift(), kShifted);
    EXPECT_EQ(nodes("mesh").size(), 2u) << "no intermediate copy when the mesh has history";

    scenemesh::run("undo");
    EXPECT_EQ(inputOf("inMesh"), "sourceShape.outMesh");
    EXPECT_TRUE(nodes("shiftNode").empty());
    EXPECT_EQ(shownShift(), kUnshifted);
    scenemesh::run("redo");
    EXPECT_EQ(inputOf("inMesh"), "shiftNode1.outMesh");
    EXPECT_EQ(shownShift(), kShifted);
}

TEST_F(PolyModifier, MeshWithoutHistoryGetsAnIntermediateCopyWhileHistoryIsRecorded) {
    scenemesh::run("select box");
    scenemesh::run("shift");
    EXPECT_EQ(inputOf("inMesh"), "shiftNode1.outMesh");
    EXPECT_EQ(shownShift(), kShifted);
    EXPECT_EQ(nodes("mesh"), (std::vector<std::string>{"boxShape", "boxShape1"}));
    EXPECT_EQ(nodes("transform"), (std::vector<std::string>{"persp", "top", "front", "side", "box"}))
        << "the duplicate's transform is gone";
    const MObject intermediate(hostSession().scene.find("boxShape1"));
    EXPECT_TRUE(MFnDagNode(intermediate).isIntermediateObject());
    EXPECT_EQ(MFnDagNode(MFnDagNode(intermediate).parent(0)).name(), "box");

    for (int round = 0; round < 2; ++round) {
        scenemesh::run("undo");
        EXPECT_EQ(inputOf("inMesh"), "");
        EXPECT_EQ(nodes("mesh"), std::vector<std::string>{"boxShape"});
        EXPECT_EQ(nodes("transform").size(), 5u) << "undo leaves no stray transform behind";
        EXPECT_EQ(shownShift(), kUnshifted);
        scenemesh::run("redo");
        EXPECT_EQ(nodes("mesh").size(), 2u);
        EXPECT_EQ(shownShift(), kShifted);
    }
}

TEST_F(PolyModifier, MeshWithoutHistoryIsChangedDirectlyWhileHistoryIsOff) {
    scenemesh::run("constructionHistory -toggle 0");
    scenemesh::run("select box");
    scenemesh::run("shift");
    EXPECT_EQ(inputOf("inMesh"), "");
    EXPECT_TRUE(nodes("shiftNode").empty());
    EXPECT_EQ(nodes("mesh").size(), 1u);
    EXPECT_EQ(shownShift(), kShifted);
    scenemesh::run("undo");
    EXPECT_EQ(shownShift(), kUnshifted);
    scenemesh::run("redo");
    EXPECT_EQ(shownShift(), kShifted);
    EXPECT_EQ(nodes("transform").size(), 5u) << "the copies made for undo are gone";
}

TEST_F(PolyModifier, TweaksMoveIntoAPolyTweakNodeAndComeBackOnUndo) {
    for (const bool withHistory : {true, false}) {
        SCOPED_TRACE(withHistory ? "with history" : "without history");
        if (withHistory) scenemesh::feed(scenemesh::add(testmesh::cube(), "source"), mesh_);
        scenemesh::run("setAttr boxShape.pnts[6] 0 0 2");
        ASSERT_EQ(shownZ(6), 2.0);
        scenemesh::run("select box");
        scenemesh::run("shift");
        EXPECT_EQ(scenemesh::run("getAttr polyTweak1.tweak[6]").values[0], "0 0 2");
        EXPECT_EQ(scenemesh::run("getAttr boxShape.pnts[6]").values[0], "0 0 0");
        EXPECT_EQ(inputOf("inMesh"), "shiftNode1.outMesh");
        EXPECT_EQ(shownZ(6), 2.0);
        EXPECT_EQ(shownShift(), kShifted);

        scenemesh::run("undo");
        EXPECT_TRUE(nodes("polyTweak").empty());
        EXPECT_EQ(scenemesh::run("getAttr boxShape.pnts[6]").values[0], "0 0 2");
        EXPECT_EQ(shownZ(6), 2.0);
        EXPECT_EQ(shownShift(), kUnshifted);
        scenemesh::run("redo");
        EXPECT_EQ(shownZ(6), 2.0) << "the tweak is held once, by the tweak node";
        EXPECT_EQ(shownShift(), kShifted);

        hostSession().scene.reset();
        mesh_ = scenemesh::add(testmesh::cube(), "box");
    }
}

TEST_F(PolyModifier, DirectChangeOfATweakedMeshIsUndoneToTheTweakedMesh) {
    scenemesh::run("setAttr boxShape.pnts[6] 0 0 2");
    scenemesh::run("constructionHistory -toggle 0");
    scenemesh::run("select box");
    scenemesh::run("shift");
    EXPECT_EQ(shownShift(), kShifted);
    scenemesh::run("undo");
    EXPECT_EQ(shownShift(), kUnshifted);
    EXPECT_EQ(shownZ(6), 2.0) << "the tweak counts once after undo";
    EXPECT_EQ(scenemesh::run("getAttr boxShape.pnts[6]").values[0], "0 0 2");
}

TEST_F(PolyModifier, NoMeshOrNoModifierTypeFailsSilently) {
    scenemesh::run("select persp");
    CommandResult result;
    std::string error;
    EXPECT_FALSE(hostSession().commands.execute("shift", result, error, true));
    polyModifierCmd bare;
    MDagPath path;
    MDagPath::getAPathTo(MObject(mesh_), path);
    bare.setTargetMesh(path);
    EXPECT_FALSE(bare.applyModifier()) << "no modifier type";
}
