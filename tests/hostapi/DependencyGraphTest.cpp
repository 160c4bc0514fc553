#include "hostapi/HostSession.h"
#include "hostapi/MDGModifier.h"
#include "hostapi/MDataBlock.h"
#include "hostapi/MFnAttribute.h"
#include "hostapi/MFnDagNode.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MFnPlugin.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MObjectHandle.h"
#include "tests/support/SceneMeshes.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

namespace {

// A node whose "sum" is "a" + "b"; "label" affects nothing. It counts its computes and leaves
// "echo" (affected by "a") to the host.
class SumNode : public MPxNode {
public:
    MStatus compute(const MPlug& plug, MDataBlock& data) override {
        if (plug.attribute() == echo) return MStatus::kUnknownParameter;
        ++computes;
        MDataHandle out = data.outputValue(sum);
        out.setDouble(data.inputValue(a).asDouble() + data.inputValue(b).asDouble());
        out.setClean();
        return MStatus::kSuccess;
    }
    static void* creator() { return new SumNode(); }
    static MStatus initialize() {
        MFnNumericAttribute numeric;
        a = numeric.create("a", "a", MFnNumericData::kDouble, 1.0);
        b = numeric.create("b", "b", MFnNumericData::kInt, 2.0);
        sum = numeric.create("sum", "s", MFnNumericData::kDouble);
        echo = numeric.create("echo", "e", MFnNumericData::kDouble);
        MFnTypedAttribute typed;
        label = typed.create("label", "l", MFnData::kString);
        for (const MObject* attribute : {&a, &b, &sum, &echo, &label})
            if (!addAttribute(*attribute)) return MStatus::kFailure;
        attributeAffects(a, sum);
        attributeAffects(b, sum);
        return attributeAffects(a, echo);
    }
    int computes = 0;
    static MObject a, b, sum, echo, label;
};
MObject SumNode::a, SumNode::b, SumNode::sum, SumNode::echo, SumNode::label;

MStatus initializeSum(MObject plugin) {
    return MFnPlugin(plugin).registerNode("sumNode", MTypeId(0x7001), SumNode::creator, SumNode::initialize);
}

MStatus uninitializeSum(MObject plugin) {
    return MFnPlugin(plugin).deregisterNode(MTypeId(0x7001));
}

class DependencyGraph : public testing::Test {
protected:
    void SetUp() override {
        hostSession().plugins.addModule({"sums", initializeSum, uninitializeSum, ""});
        std::string error;
        ASSERT_TRUE(hostSession().plugins.load("sums", error)) << error;
    }
    void TearDown() override {
        hostSession().scene.reset();
        std::string error;
        hostSession().plugins.unload("sums", error);
    }

    static MObject makeSum() {
        MFnDependencyNode node;
        return node.create("sumNode");
    }
    static SumNode& user(const MObject& node) { return *static_cast<SumNode*>(MFnDependencyNode(node).userNode()); }
};

} // namespace

TEST_F(DependencyGraph, OutputsAreComputedWhenReadAfterAnInputTheyDependOnChanged) {
    const MObject first = makeSum();
    EXPECT_EQ(MFnDependencyNode(first).name(), "sumNode1");
    MPlug sum = MFnDependencyNode(first).findPlug("sum", true);
    EXPECT_EQ(user(first).computes, 0) << "nothing is computed before it is read";
    EXPECT_EQ(sum.asDouble(), 3.0);
    EXPECT_EQ(sum.asDouble(), 3.0);
    EXPECT_EQ(user(first).computes, 1) << "a clean output is not computed again";

    MFnDependencyNode(first).findPlug("label", true).setString("x");
    EXPECT_EQ(sum.asDouble(), 3.0);
    EXPECT_EQ(user(first).computes, 1) << "an attribute that affects nothing dirties nothing";

    // A double set on the integer input is truncated, as the host converts it.
    MFnDependencyNode(first).findPlug("b", true).setDouble(5.9);
    EXPECT_EQ(MFnDependencyNode(first).findPlug("b", true).asInt(), 5);
    EXPECT_EQ(sum.asDouble(), 6.0);
    EXPECT_EQ(user(first).computes, 2);

    // A plug the node leaves to the host keeps its stored value and turns clean.
    MPlug echo = MFnDependencyNode(first).findPlug("echo", true);
    EXPECT_EQ(echo.asDouble(), 0.0);
    EXPECT_FALSE(MFnDependencyNode(first).findPlug("e", true).isNull());
    EXPECT_TRUE(MFnDependencyNode(first).findPlug("missing", true).isNull());
}

TEST_F(DependencyGraph, ConnectionsPullUpstreamAndDirtinessTravelsDownstream) {
    const MObject upstream = makeSum(), downstream = makeSum();
    MDGModifier modifier;
    const MPlug source = MFnDependencyNode(upstream).findPlug("sum", true);
    const MPlug destination = MFnDependencyNode(downstream).findPlug("a", true);
    ASSERT_TRUE(modifier.connect(source, destination));
    ASSERT_TRUE(modifier.doIt());
    const MPlug result = MFnDependencyNode(downstream).findPlug("sum", true);
    EXPECT_EQ(result.asDouble(), 3.0 + 2.0);
    EXPECT_EQ(user(upstream).computes, 1);

    MFnDependencyNode(upstream).findPlug("a", true).setDouble(10.0);
    EXPECT_EQ(result.asDouble(), 12.0 + 2.0);
    MPlugArray feeding;
    EXPECT_TRUE(destination.connectedTo(feeding, true, false));
    EXPECT_EQ(feeding[0], source);

    // A second input into the same plug is refused when the modifier runs.
    MDGModifier second;
    second.connect(MFnDependencyNode(makeSum()).findPlug("sum", true), destination);
    EXPECT_FALSE(second.doIt());

    // Undo disconnects; the destination keeps the last value it had.
    modifier.undoIt();
    EXPECT_FALSE(destination.isConnected());
    EXPECT_EQ(destination.asDouble(), 12.0);
    MFnDependencyNode(upstream).findPlug("a", true).setDouble(0.0);
    EXPECT_EQ(result.asDouble(), 14.0);
}

TEST_F(DependencyGraph, ModifierUndoRemovesCreatedNodesAndBringsDeletedOnesBackWithTheirConnections) {
    MDGModifier creating;
    const MObject made = creating.createNode("sumNode");
    MFnDependencyNode(made).findPlug("a", true).setDouble(4.0);
    EXPECT_FALSE(MObjectHandle(made).isValid()) << "a created node joins the scene on doIt";
    ASSERT_TRUE(creating.doIt());
    EXPECT_TRUE(MObjectHandle(made).isValid());
    creating.undoIt();
    EXPECT_FALSE(MObjectHandle(made).isValid());
    EXPECT_TRUE(MObjectHandle(made).isAlive());
    ASSERT_TRUE(creating.doIt());
    EXPECT_EQ(MFnDependencyNode(made).findPlug("a", true).asDouble(), 4.0);

    const MObject upstream = makeSum();
    MDGModifier wiring;
    wiring.connect(MFnDependencyNode(upstream).findPlug("sum", true), MFnDependencyNode(made).findPlug("b", true));
    ASSERT_TRUE(wiring.doIt());
    MDGModifier deleting;
    deleting.deleteNode(upstream);
    ASSERT_TRUE(deleting.doIt());
    EXPECT_FALSE(MObjectHandle(upstream).isValid());
    EXPECT_FALSE(MFnDependencyNode(made).findPlug("b", true).isConnected());
    deleting.undoIt();
    EXPECT_TRUE(MObjectHandle(upstream).isValid());
    EXPECT_TRUE(MFnDependencyNode(made).findPlug("b", true).isConnected());
    EXPECT_EQ(MFnDependencyNode(upstream).name(), "sumNode2");
}

TEST_F(DependencyGraph, ShapesAndPathsFollowTheHostsRules) {
    const std::shared_ptr<MeshNode> shape = scenemesh::add(testmesh::cube(), "box");
    MDagPath path;
    MSelectionList list;
    ASSERT_TRUE(MGlobal::getSelectionListByName("box", list));
    ASSERT_TRUE(list.getDagPath(0, path));
    ASSERT_TRUE(path.extendToShape());
    EXPECT_EQ(path.fullPathName(), "|box|boxShape");
    EXPECT_EQ(path.apiType(), MFn::kMesh);
    EXPECT_EQ(static_cast<int>(MFn::kMesh), 296);

    // Duplicating a shape gives a new transform holding the copy.
    const MObject copy = MFnDagNode(MObject(shape)).duplicate();
    EXPECT_TRUE(copy.hasFn(MFn::kTransform));
    EXPECT_EQ(MFnDagNode(copy).name(), "box1");
    const MObject copiedShape = MFnDagNode(copy).child(0);
    EXPECT_EQ(MFnDagNode(copiedShape).name(), "boxShape1");

    // Moved below the first transform, a second visible shape makes extendToShape fail; as an
    // intermediate object it is passed over.
    MDagModifier dag;
    dag.reparentNode(copiedShape, MObject(shape->parentObject()));
    ASSERT_TRUE(dag.doIt());
    MDagPath transform;
    MDagPath::getAPathTo(MObject(shape->parentObject()), transform);
    EXPECT_FALSE(MDagPath(transform).extendToShape());
    MFnDagNode(copiedShape).setIntermediateObject(true);
    MDagPath extended = transform;
    ASSERT_TRUE(extended.extendToShape());
    EXPECT_EQ(extended.node(), MObject(shape));
    EXPECT_FALSE(MItSelectionList(list, MFn::kMesh).isDone()) << "a transform of a mesh passes a mesh filter";

    // A path by its full name selects the node; a deleted node's path is no longer valid.
    ASSERT_TRUE(MGlobal::getSelectionListByName("|box|boxShape", list));
    EXPECT_EQ(list.length(), 1u);
    MGlobal::deleteNode(MObject(shape->parentObject()));
    EXPECT_FALSE(extended.isValid());
    EXPECT_FALSE(MGlobal::getSelectionListByName("boxShape*", list));
}

TEST_F(DependencyGraph, MeshTweaksMoveVerticesWithAndWithoutHistory) {
    const std::shared_ptr<MeshNode> source = scenemesh::add(testmesh::cube(), "source");
    const std::shared_ptr<MeshNode> target = scenemesh::add(testmesh::cube(), "target");
    MFnNumericData numbers;
    const MObject up = numbers.create(MFnNumericData::k3Float);
    numbers.setData(0.0f, 0.0f, 2.0f);

    // Without history the vertex moves in the shape's own geometry at once.
    MPlug pnts = MFnDependencyNode(MObject(target)).findPlug("pnts", true);
    pnts.elementByLogicalIndex(1).setValue(up);
    MPointArray points;
    MFnMesh(MObject(target)).getPoints(points);
    EXPECT_EQ(points[1].z, 2.0);
    EXPECT_EQ(pnts.numElements(), 1u);

    // With history the output is the incoming mesh plus the tweaks.
    scenemesh::feed(source, target);
    MFnMesh(MObject(target)).getPoints(points);
    EXPECT_EQ(points[1].z, 2.0);
    MFnDependencyNode(MObject(source)).findPlug("pnts", true).elementByLogicalIndex(1).child(2).setFloat(1.0f);
    MFnMesh(MObject(target)).getPoints(points);
    EXPECT_EQ(points[1].z, 3.0);
    EXPECT_EQ(points[0].z, 0.0);

    // World space needs the shape's path; its transform moves the points.
    hostSession().scene.setPlugValue(*target->parentObject(), {target->parentObject()->findAttribute("translate")},
                                     MVector(10, 0, 0));
    MDagPath path;
    MDagPath::getAPathTo(MObject(target), path);
    EXPECT_FALSE(MFnMesh(MObject(target)).getPoints(points, MSpace::kWorld));
    ASSERT_TRUE(MFnMesh(path).getPoints(points, MSpace::kWorld));
    EXPECT_EQ(points[1].x, 11.0);
}
