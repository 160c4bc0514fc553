#include "projection/ProjectionUnwrap.h"
#include "core/MeshDataCollector.h"
#include "core/VarnelleException.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/Scene.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

// A host mesh as the driver hands it to the projection: triangles, adjacency, false edges.
struct Working {
    UnwrapMesh mesh;
    std::vector<uint32_t> adjacency;
    std::vector<uint32_t> falseEdges;
};

Working workingMesh(const MObject& object) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.normalize();
    Working working;
    std::vector<uint32_t> cutMarks;
    MStatus status;
    collectMeshData(settings, status, object, working.mesh.positions, working.mesh.indices, cutMarks,
                    working.falseEdges, nullptr);
    EXPECT_TRUE(status);
    working.adjacency = collectAdjacency(working.mesh, cutMarks);
    return working;
}

UnwrapSettings projection(bool orthographic, double angle = 45.0, double extend = 0.0) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.unwrap_type = CameraProjection;
    settings.cam_ortho = orthographic;
    settings.cam_angle = angle;
    settings.cam_extend = extend;
    return settings;
}

template <typename Call>
VarnelleException raised(Call&& call) {
    try {
        call();
    } catch (const VarnelleException& error) {
        return error;
    }
    ADD_FAILURE() << "no exception";
    return {};
}

// A square of side 2 * half in the plane z = height, facing +z (or -z), split into n x n quads.
MObject plane(double half, int n, double height, bool facingDown = false) {
    std::vector<testmesh::Point3> points;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            points.push_back({-half + 2 * half * i / n, -half + 2 * half * j / n, height});
    std::vector<std::vector<int>> quads;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            if (facingDown)
                quads.push_back({a, a + n + 1, a + n + 2, a + 1});
            else
                quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    return testmesh::make(points, quads);
}

size_t keptTriangles(const Projector& projector) {
    size_t kept = 0;
    for (const uint32_t c : projector.triangleClasses())
        kept += c < FilteredClass;
    return kept;
}

class ProjectionTest : public testing::Test {
protected:
    void TearDown() override { Scene::current().reset(); }
};

} // namespace

TEST_F(ProjectionTest, CameraFramesComeFromTheSceneAndUnknownNamesAreRefused) {
    const Projector empty("");
    EXPECT_EQ(empty.viewDirection().z, -1.0f);
    EXPECT_EQ(empty.upDirection().y, 1.0f);
    EXPECT_EQ(empty.rightDirection().x, 1.0f);
    EXPECT_EQ(empty.eyePosition().z, 0.0f);

    const Projector top("top");
    EXPECT_NEAR(top.viewDirection().y, -1.0f, 1e-6f);
    EXPECT_NEAR(top.upDirection().z, -1.0f, 1e-6f);
    EXPECT_NEAR(top.rightDirection().x, 1.0f, 1e-6f);
    EXPECT_NEAR(top.eyePosition().y, 1000.1f, 1e-3f);

    const VarnelleException error = raised([] { Projector("persp2"); });
    EXPECT_EQ(error.message, std::string(ErrorSites::CameraNotFound.message) + "persp2");
    EXPECT_STREQ(error.file, "ProjectionUnwrap");
}

TEST_F(ProjectionTest, OrthographicCubeKeepsItsFacingSidesSplitsTheirCornersAndCutsTheirBorders) {
    ASSERT_TRUE(Scene::current().addCamera("corner", {5.5, 4.5, 3.5}, {0.5, 0.5, 0.5}, true, 10.0));
    Working working = workingMesh(testmesh::cube());
    const std::vector<uint32_t> before = working.adjacency;
    Projector projector("corner");
    projector.run(working.mesh, working.adjacency, working.falseEdges, projection(true));

    const std::vector<uint32_t>& classes = projector.triangleClasses();
    ASSERT_EQ(classes.size(), 12u);
    // The +x, +y and +z sides (quads 3, 4 and 1) face the camera; the others are filtered.
    std::set<uint32_t> keptClasses;
    for (uint32_t t = 0; t < 12; ++t) {
        const int quad = static_cast<int>(t / 2);
        EXPECT_EQ(classes[t] < FilteredClass, quad == 1 || quad == 3 || quad == 4) << "triangle " << t;
        if (classes[t] < FilteredClass) keptClasses.insert(classes[t]);
        EXPECT_EQ(classes[t], classes[t ^ 1u]) << "a quad's triangles share its class";
    }
    // Every point serves one class; a corner shared by n classes became n points.
    std::vector<std::set<uint32_t>> classesAt(8);
    for (size_t corner = 0; corner < 36; ++corner)
        classesAt[working.mesh.indices[corner]].insert(classes[corner / 3]);
    size_t expectedPoints = 0;
    for (const auto& at : classesAt)
        expectedPoints += at.size();
    EXPECT_EQ(working.mesh.uvCount(), expectedPoints);
    std::vector<uint32_t> classOfPoint(working.mesh.uvCount(), NIL);
    for (size_t corner = 0; corner < 36; ++corner) {
        uint32_t& owner = classOfPoint[working.mesh.uv_indices[corner]];
        EXPECT_TRUE(owner == NIL || owner == classes[corner / 3]);
        owner = classes[corner / 3];
    }
    // The adjacency is cut exactly between classes, and filtered points sit at (0, 0).
    for (size_t corner = 0; corner < 36; ++corner) {
        const uint32_t other = before[corner];
        const bool differs = other != NIL && classes[other] != classes[corner / 3];
        EXPECT_EQ(working.adjacency[corner], differs ? NIL : other);
        if (classes[corner / 3] == FilteredClass) {
            const float* uv = &working.mesh.uvs[3 * size_t{working.mesh.uv_indices[corner]}];
            EXPECT_EQ(uv[0], 0.0f);
            EXPECT_EQ(uv[1], 0.0f);
        }
    }
    EXPECT_GE(keptClasses.size(), 2u);
    // The projection keeps 3D lengths on the side that faces the view most squarely: (u, v) of a
    // class-1 point is (-p.up, p.right).
    for (size_t corner = 0; corner < 36; ++corner) {
        if (classes[corner / 3] != 1) continue;
        const float* p = &working.mesh.positions[3 * size_t{working.mesh.indices[corner]}];
        const float* uv = &working.mesh.uvs[3 * size_t{working.mesh.uv_indices[corner]}];
        const Projector::Direction& up = projector.upDirection();
        const Projector::Direction& right = projector.rightDirection();
        EXPECT_NEAR(uv[0], -(p[0] * up.x + p[1] * up.y + p[2] * up.z), 1e-5f);
        EXPECT_NEAR(uv[1], p[0] * right.x + p[1] * right.y + p[2] * right.z, 1e-5f);
    }
}

TEST_F(ProjectionTest, PerspectiveConeDecidesWhatIsSeen) {
    ASSERT_TRUE(Scene::current().addCamera("above", {0, 0, 10}, {0, 0, 0}, false, 0.0));
    // 45 degrees at distance 10 reach 10 units from the axis: of a 40 x 40 plane in quads of 4,
    // the quads that reach within that circle stay.
    Working working = workingMesh(plane(20.0, 10, 0.0));
    Projector projector("above");
    projector.run(working.mesh, working.adjacency, working.falseEdges, projection(false, 45.0));
    const std::vector<uint32_t>& classes = projector.triangleClasses();
    size_t kept = 0;
    for (int quad = 0; quad < 100; ++quad) {
        const double cx = -18.0 + 4.0 * (quad % 10), cy = -18.0 + 4.0 * (quad / 10);
        // Distance from the axis to the nearest point of the quad.
        const double dx = std::max(std::fabs(cx) - 2.0, 0.0), dy = std::max(std::fabs(cy) - 2.0, 0.0);
        const bool reaches = std::hypot(dx, dy)<9.9, outside = std::hypot(dx, dy)> 10.1;
        if (reaches) {
            EXPECT_EQ(classes[2 * quad], 4u) << "quad " << quad;
        }
        if (outside) {
            EXPECT_EQ(classes[2 * quad], FilteredClass) << "quad " << quad;
        }
        kept += classes[2 * quad] < FilteredClass;
    }
    EXPECT_GT(kept, 20u);

    // One quad around the axis with every corner outside a narrow cone is still seen, and so is
    // one whose edge alone passes through the cone.
    for (const double shift : {0.0, 1.9}) {
        Working big = workingMesh(testmesh::make(
            {{-2 + shift, -2, 0}, {2 + shift, -2, 0}, {2 + shift, 2, 0}, {-2 + shift, 2, 0}}, {{0, 1, 2, 3}}));
        Projector narrow("above");
        narrow.run(big.mesh, big.adjacency, big.falseEdges, projection(false, 5.0));
        EXPECT_EQ(keptTriangles(narrow), 2u) << "shift " << shift;
    }

    // Wider than 90 degrees: only what lies wholly in the cone behind the camera is filtered, and
    // with an extension of 90 degrees the plane's back may face the camera.
    Working behind = workingMesh(plane(1.0, 2, 20.0));
    Projector wide("above");
    const VarnelleException error =
        raised([&] { wide.run(behind.mesh, behind.adjacency, behind.falseEdges, projection(false, 135.0, 90.0)); });
    EXPECT_EQ(error.line, 120);
    Working side = workingMesh(plane(100.0, 2, 20.0));
    wide.run(side.mesh, side.adjacency, side.falseEdges, projection(false, 135.0, 90.0));
    EXPECT_EQ(keptTriangles(wide), 8u);
}

TEST_F(ProjectionTest, FacingFiltersUnlessExtendedAndNothingLeftIsRefusedPerMode) {
    // The default camera looks down -z from the origin; the plane below faces +z, towards it.
    Working facing = workingMesh(plane(1.0, 2, -5.0));
    Projector origin("");
    origin.run(facing.mesh, facing.adjacency, facing.falseEdges, projection(true));
    EXPECT_EQ(keptTriangles(origin), 8u);

    // Facing along the view it is filtered in orthographic mode...
    Working away = workingMesh(plane(1.0, 2, -5.0, true));
    EXPECT_EQ(raised([&] { origin.run(away.mesh, away.adjacency, away.falseEdges, projection(true)); }).line, 155);
    // ... and behind the camera, facing away from it, in perspective mode, unless the extension
    // reaches 90 degrees.
    Working back = workingMesh(plane(100.0, 2, 5.0));
    const Working backCopy = back;
    Projector wide("");
    EXPECT_EQ(raised([&] { wide.run(back.mesh, back.adjacency, back.falseEdges, projection(false, 135.0)); }).line,
              120);
    back = backCopy;
    wide.run(back.mesh, back.adjacency, back.falseEdges, projection(false, 135.0, 90.0));
    EXPECT_EQ(keptTriangles(wide), 8u);

    // Unused points do not count as something left.
    MObject unused = testmesh::make({{-1, -1, 5}, {1, -1, 5}, {1, 1, 5}, {9, 9, 9}}, {{0, 2, 1}});
    Working lonely = workingMesh(unused);
    EXPECT_EQ(raised([&] { origin.run(lonely.mesh, lonely.adjacency, lonely.falseEdges, projection(true)); }).line,
              155);
}

TEST_F(ProjectionTest, TransformTurnsButDoesNotMoveThePoints) {
    ASSERT_TRUE(Scene::current().addCamera("above", {0, 0, 10}, {0, 0, 0}, false, 0.0));
    Working plain = workingMesh(plane(1.0, 2, 0.0));
    Working moved = plain;
    moved.mesh.transform[3][0] = 500.0;
    moved.mesh.transform[3][2] = -70.0;
    Projector first("above"), second("above");
    first.run(plain.mesh, plain.adjacency, plain.falseEdges, projection(false));
    second.run(moved.mesh, moved.adjacency, moved.falseEdges, projection(false));
    EXPECT_EQ(plain.mesh.uvs, moved.mesh.uvs);
    EXPECT_EQ(first.triangleClasses(), second.triangleClasses());

    // A half turn about x makes the plane face -z: class 5 with v mirrored.
    Working turned = workingMesh(plane(1.0, 2, 0.0));
    turned.mesh.transform[1][1] = turned.mesh.transform[2][2] = -1.0;
    ASSERT_TRUE(Scene::current().addCamera("below", {0, 0, -10}, {0, 0, 0}, false, 0.0));
    Projector third("below");
    third.run(turned.mesh, turned.adjacency, turned.falseEdges, projection(false));
    EXPECT_EQ(third.triangleClasses(), std::vector<uint32_t>(8, 5u));
    for (size_t corner = 0; corner < turned.mesh.uv_indices.size(); ++corner) {
        const float* p = &turned.mesh.positions[3 * size_t{turned.mesh.indices[corner]}];
        const float* uv = &turned.mesh.uvs[3 * size_t{turned.mesh.uv_indices[corner]}];
        EXPECT_EQ(uv[0], p[0]);
        EXPECT_EQ(uv[1], p[1]);
    }
}
