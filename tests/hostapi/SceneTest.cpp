#include "hostapi/Scene.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnMatrixData.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MTransformationMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

struct CameraFrame {
    MVector eye, view, up;
};

// The frame of a named node, read the way the projection reads it.
CameraFrame frameOf(const char* name) {
    MSelectionList list;
    EXPECT_TRUE(MGlobal::getSelectionListByName(name, list));
    MObject node;
    EXPECT_TRUE(list.getDependNode(0, node));
    const MPlug worldMatrix = MFnDependencyNode(node).findPlug("worldMatrix", false);
    EXPECT_EQ(worldMatrix.numElements(), 1u);
    const MMatrix matrix = MFnMatrixData(worldMatrix.elementByPhysicalIndex(0).asMObject()).matrix();
    const MTransformationMatrix transformation(matrix);
    return {transformation.getTranslation(MSpace::kWorld), MVector(0, 0, -1).rotateBy(transformation.rotation()),
            MVector(0, 1, 0).rotateBy(transformation.rotation())};
}

void expectNear(const MVector& actual, const MVector& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

class SceneTest : public testing::Test {
protected:
    void TearDown() override { Scene::current().reset(); }
};

} // namespace

TEST_F(SceneTest, DefaultCamerasLookAtTheOriginFromTheirPlaces) {
    const CameraFrame persp = frameOf("persp");
    expectNear(persp.eye, {28, 21, 28});
    // Its rotation aims it at the origin to within the rounding of the stored angle.
    expectNear(persp.view, MVector(-28, -21, -28).normal(), 1e-4);
    EXPECT_GT(persp.up.y, 0.8);

    const CameraFrame top = frameOf("top");
    expectNear(top.eye, {0, 1000.1, 0});
    expectNear(top.view, {0, -1, 0});
    expectNear(top.up, {0, 0, -1});
    const CameraFrame front = frameOf("front");
    expectNear(front.view, {0, 0, -1});
    expectNear(front.up, {0, 1, 0});
    const CameraFrame side = frameOf("side");
    expectNear(side.eye, {1000.1, 0, 0});
    expectNear(side.view, {-1, 0, 0});
    expectNear(side.up, {0, 1, 0});

    // A shape's world matrix is its transform's.
    const CameraFrame shape = frameOf("sideShape");
    expectNear(shape.eye, side.eye);
    expectNear(shape.view, side.view);
}

TEST_F(SceneTest, AddedCamerasAimWithoutRollAndNamesStayUnique) {
    Scene& scene = Scene::current();
    ASSERT_TRUE(scene.addCamera("low", {3, 1, -4}, {0, 2, 0}, false, 0.0));
    const CameraFrame low = frameOf("low");
    expectNear(low.eye, {3, 1, -4});
    expectNear(low.view, MVector(-3, 1, 4).normal());
    // No roll: the right-hand side stays level.
    EXPECT_NEAR((low.view ^ low.up).y, 0.0, 1e-12);
    EXPECT_GT(low.up.y, 0.0);

    ASSERT_TRUE(scene.addCamera("down", {0, 5, 0}, {0, 0, 0}, true, 10.0));
    expectNear(frameOf("down").up, {0, 0, -1});
    ASSERT_TRUE(scene.addCamera("up", {0, -5, 0}, {0, 0, 0}, true, 10.0));
    expectNear(frameOf("up").up, {0, 0, 1});

    EXPECT_FALSE(scene.addCamera("persp", {1, 1, 1}, {0, 0, 0}, false, 0.0));
    EXPECT_FALSE(scene.addCamera("lowShape", {1, 1, 1}, {0, 0, 0}, false, 0.0));
    EXPECT_FALSE(scene.addCamera("still", {1, 1, 1}, {1, 1, 1}, false, 0.0));

    MObject shape;
    MSelectionList list;
    ASSERT_TRUE(MGlobal::getSelectionListByName("downShape", list));
    ASSERT_TRUE(list.getDependNode(0, shape));
    const MFnDependencyNode camera(shape);
    EXPECT_EQ(camera.typeName(), "camera");
    EXPECT_TRUE(camera.findPlug("orthographic", false).asBool());
    EXPECT_EQ(camera.findPlug("ow", false).asDouble(), 10.0);

    scene.reset();
    EXPECT_FALSE(MGlobal::getSelectionListByName("low", list));
}

TEST_F(SceneTest, SelectionByPatternAndPlugFailures) {
    MSelectionList list;
    ASSERT_TRUE(MGlobal::getSelectionListByName("*Shape", list));
    EXPECT_EQ(list.length(), 4u);
    ASSERT_TRUE(MGlobal::getSelectionListByName("?ide", list));
    EXPECT_EQ(list.length(), 1u);
    const MStatus missing = MGlobal::getSelectionListByName("nothing*", list);
    EXPECT_EQ(missing.statusCode(), MStatus::kInvalidParameter);
    EXPECT_EQ(list.length(), 0u);
    MObject node;
    EXPECT_FALSE(list.getDependNode(0, node));

    ASSERT_TRUE(MGlobal::getSelectionListByName("front", list));
    ASSERT_TRUE(list.getDependNode(0, node));
    const MFnDependencyNode front(node);
    MStatus status;
    EXPECT_TRUE(front.findPlug("noSuchAttribute", false, &status).isNull());
    EXPECT_FALSE(status);
    const MPlug translate = front.findPlug("t", false, &status);
    ASSERT_TRUE(status);
    translate.numElements(&status);
    EXPECT_FALSE(status);
    translate.asDouble(&status);
    EXPECT_FALSE(status);
    const MPlug worldMatrix = front.findPlug("wm", false);
    EXPECT_TRUE(worldMatrix.elementByPhysicalIndex(1, &status).isNull());
    EXPECT_FALSE(status);
    // The array itself has no single value.
    EXPECT_TRUE(worldMatrix.asMObject(&status).isNull());
    EXPECT_FALSE(status);
    MFnMatrixData wrong(node, &status);
    EXPECT_FALSE(status);
}

TEST(Rotations, QuaternionsTurnVectorsAsTheirMatricesDo) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int trial = 0; trial < 200; ++trial) {
        const MQuaternion q(4.0 * unit(random), MVector(unit(random), unit(random), unit(random)));
        const MMatrix rotation = q.asMatrix();
        double rows[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                rows[r][c] = rotation[r][c];
        EXPECT_TRUE(MQuaternion::fromRotationMatrix(rows).isEquivalent(q, 1e-9));
        const MVector v(unit(random), unit(random), unit(random));
        expectNear(v.rotateBy(q), v * rotation, 1e-12);
    }
    // Scale and translation do not change the rotation read from a matrix.
    MMatrix scaled = MQuaternion(0.5, MVector(0, 0, 1)).asMatrix();
    for (int c = 0; c < 3; ++c) {
        scaled[0][c] *= 2.0;
        scaled[2][c] *= 0.25;
    }
    scaled[3][0] = 9.0;
    EXPECT_TRUE(MTransformationMatrix(scaled).rotation().isEquivalent(MQuaternion(0.5, MVector(0, 0, 1))));
    expectNear(MVector(1, 0, 0).rotateBy(MQuaternion(std::numbers::pi / 2, MVector(0, 0, 1))), {0, 1, 0});
}
