#include "core/UnwrapDriver.h"
#include "core/BoxProjection.h"
#include "core/ChartUVs.h"
#include "core/MeshDataCollector.h"
#include "core/VarnelleException.h"
#include "hostapi/MessageBox.h"
#include "hostapi/Scene.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace {

struct DriverRun {
    MStatus status;
    std::vector<PreviewRender> previews;
    std::vector<Notification> notifications;
    MIntArray seamPairs;
    UnwrapReport report;
};

// Runs the driver in a session with a main window, catching what it shows.
DriverRun runOn(const MObject& mesh, UnwrapSettings settings) {
    DriverRun run;
    clearShownNotifications();
    setPreviewPresenter([&](const PreviewRender& render) { run.previews.push_back(render); });
    testing::internal::CaptureStderr();
    runUnwrap(settings, run.status, mesh, MMatrix(), &run.seamPairs, &run.report);
    testing::internal::GetCapturedStderr();
    setPreviewPresenter(nullptr);
    run.notifications = shownNotifications();
    return run;
}

UnwrapSettings method(int32_t type) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.unwrap_type = type;
    return settings;
}

float triangleArea(const float* a, const float* b, const float* c) {
    return 0.5f * std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
}

float uvArea(const PreviewRender& layout, size_t firstTriangle, size_t triangleCount) {
    float area = 0.0f;
    for (size_t t = firstTriangle; t < firstTriangle + triangleCount; ++t)
        area += triangleArea(&layout.points[3 * size_t{layout.indices[3 * t]}],
                             &layout.points[3 * size_t{layout.indices[3 * t + 1]}],
                             &layout.points[3 * size_t{layout.indices[3 * t + 2]}]);
    return area;
}

struct Box {
    float lowU = 1e30f, lowV = 1e30f, highU = -1e30f, highV = -1e30f;
};

// The UV box of every group of `trianglesPerChart` consecutive triangles.
std::vector<Box> chartBoxes(const PreviewRender& layout, size_t trianglesPerChart) {
    std::vector<Box> boxes(layout.indices.size() / 3 / trianglesPerChart);
    for (size_t corner = 0; corner < layout.indices.size(); ++corner) {
        const float* uv = &layout.points[3 * size_t{layout.indices[corner]}];
        Box& box = boxes[corner / 3 / trianglesPerChart];
        box = {std::min(box.lowU, uv[0]), std::min(box.lowV, uv[1]), std::max(box.highU, uv[0]),
               std::max(box.highV, uv[1])};
    }
    return boxes;
}

void expectInsideAndApart(const std::vector<Box>& boxes, float low, float high) {
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_GE(boxes[i].lowU, low);
        EXPECT_GE(boxes[i].lowV, low);
        EXPECT_LE(boxes[i].highU, high);
        EXPECT_LE(boxes[i].highV, high);
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            EXPECT_TRUE(a.highU <= b.lowU || b.highU <= a.lowU || a.highV <= b.lowV || b.highV <= a.lowV)
                << "charts " << i << " and " << j << " overlap";
        }
    }
}

// Two unit quads far apart, the second twice as large, with UVs of the same size.
MObject twoQuadsWithUVs() {
    MObject mesh =
        testmesh::make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 0, 0}, {7, 0, 0}, {7, 2, 0}, {5, 2, 0}},
                       {{0, 1, 2, 3}, {4, 5, 6, 7}});
    testmesh::addUVs(mesh, true);
    MeshUVSet& set = mesh.as<MeshData>()->uvSets()[0];
    set.u = {0, 1, 1, 0, 0, 1, 1, 0};
    set.v = {0, 0, 1, 1, 0, 0, 1, 1};
    mesh.as<MeshData>()->setCurrentUVSet(0);
    return mesh;
}

class UnwrapDriverTest : public testing::Test {
protected:
    void SetUp() override { M3dView::setApplicationShell(1); }
    void TearDown() override {
        M3dView::setApplicationShell(0);
        Scene::current().reset();
    }
};

} // namespace

TEST_F(UnwrapDriverTest, BoxProjectionGivesEveryCubeSideItsOwnChartPackedOnceAndWelded) {
    const DriverRun run = runOn(testmesh::cube(), method(BoxProjection));
    ASSERT_TRUE(run.status);
    ASSERT_EQ(run.previews.size(), 1u);
    const PreviewRender& layout = run.previews[0];
    EXPECT_EQ(run.report.charts, 6u);
    // Four welded corners per side; sides packed apart and inside the padding border.
    EXPECT_EQ(layout.points.size(), 3u * 24u);
    const float border = 2.0f / 1024.0f / 2.0f;
    expectInsideAndApart(chartBoxes(layout, 2), border * 0.999f, 1.0f - border * 0.999f);
    for (size_t side = 1; side < 6; ++side)
        EXPECT_NEAR(uvArea(layout, 2 * side, 2), uvArea(layout, 0, 2), 1e-5f);
    // The preview draws the quads' outlines, not their diagonals.
    EXPECT_EQ(layout.falseEdges,
              std::vector<uint32_t>({NIL, NIL, 1, 0, NIL, NIL, NIL, NIL, 3, 2, NIL, NIL, NIL, NIL, 5,  4,  NIL, NIL,
                                     NIL, NIL, 7, 6, NIL, NIL, NIL, NIL, 9, 8, NIL, NIL, NIL, NIL, 11, 10, NIL, NIL}));
    EXPECT_EQ(layout.width, 1024);
    EXPECT_EQ(layout.tiles, 1);
    EXPECT_EQ(ProgressWindow::text(), "Generating UV set");
}

TEST_F(UnwrapDriverTest, BoxProjectionChoosesOneAxisPerPolygonByArea) {
    // A non-planar hexagon: its triangles lean different ways, but most of its area faces +z.
    const MObject bent =
        testmesh::make({{0, 0, 0}, {4, 0, 0}, {4, 1, 0}, {1, 1, 0}, {1, 4, 3.5}, {0, 4, 3.5}}, {{0, 1, 2, 3, 4, 5}});
    // A quad whose normal is exactly (1, 1, 0): +x wins the tie.
    const MObject diagonal = testmesh::make({{0, 0, 0}, {-1, 1, 0}, {-1, 1, 1}, {0, 0, 1}}, {{0, 1, 2, 3}});
    UnwrapSettings settings = method(BoxProjection);
    settings.normalize();
    for (const auto& [mesh, u, v] : {std::tuple{bent, 0, 1}, std::tuple{diagonal, 1, 2}}) {
        MStatus status;
        UnwrapMesh source, result;
        std::vector<uint32_t> cutMarks, falseEdges;
        collectMeshData(settings, status, mesh, source.positions, source.indices, cutMarks, falseEdges, nullptr);
        std::vector<uint32_t> adjacency(source.indices.size(), NIL);
        projectToBoxes(source, result, adjacency, falseEdges);
        for (size_t corner = 0; corner < source.indices.size(); ++corner) {
            const float* p = &source.positions[3 * size_t{source.indices[corner]}];
            EXPECT_EQ(result.uvs[3 * corner], p[u]);
            EXPECT_EQ(result.uvs[3 * corner + 1], p[v]);
            EXPECT_EQ(result.uvs[3 * corner + 2], p[2]);
        }
    }
}

TEST_F(UnwrapDriverTest, ExistingChartsAreRescaledToOneDensityExceptInTileMode) {
    DriverRun run = runOn(twoQuadsWithUVs(), method(ExistingUVs));
    ASSERT_TRUE(run.status);
    EXPECT_EQ(run.report.charts, 2u);
    // The second quad has four times the surface, so four times the UV area.
    const PreviewRender& layout = run.previews[0];
    EXPECT_NEAR(uvArea(layout, 2, 2) / uvArea(layout, 0, 2), 4.0f, 1e-3f);
    expectInsideAndApart(chartBoxes(layout, 2), 0.0f, 1.0f);

    UnwrapSettings tiles = method(ExistingUVs);
    tiles.tile_numx = 2;
    run = runOn(twoQuadsWithUVs(), tiles);
    ASSERT_TRUE(run.status);
    const PreviewRender& tiled = run.previews[0];
    EXPECT_EQ(tiled.tiles, 2);
    // One chart per tile, each filling its tile as far as the padding allows: no rescaling.
    EXPECT_NEAR(uvArea(tiled, 2, 2), uvArea(tiled, 0, 2), 1e-4f);
    const std::vector<Box> boxes = chartBoxes(tiled, 2);
    EXPECT_LT(boxes[0].highU, 1.0f);
    EXPECT_GT(boxes[1].lowU, 1.0f);
    EXPECT_LT(boxes[1].highU, 2.0f);
}

TEST_F(UnwrapDriverTest, ChartsGetTheirOwnUVsAndFlatChartsKeepTheirScale) {
    // Triangles 0 and 1 (chart 1) and triangle 2 (chart 2) share UV 1; UV 4 is unused.
    UnwrapMesh mesh;
    mesh.positions = {0, 0, 0, 2, 0, 0, 2, 2, 0};
    mesh.indices = {0, 1, 2, 0, 1, 2, 0, 1, 2};
    mesh.uvs = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 9, 9, 9};
    mesh.uv_indices = {0, 1, 2, 0, 2, 3, 1, 2, 3};
    giveChartsOwnUVs(mesh, {1, 1, 2});
    EXPECT_EQ(mesh.uv_indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(mesh.uvs, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));

    // Chart 2 has no UV area (all its UVs on one line) and keeps its UVs; chart 1 is scaled.
    mesh.uvs[3 * 6] = 1;
    mesh.uvs[3 * 6 + 1] = 0.5f;
    const std::vector<float> before = mesh.uvs;
    rescaleCharts(mesh, {1, 1, 2});
    for (size_t value = 12; value < before.size(); ++value)
        EXPECT_EQ(mesh.uvs[value], before[value]);
    EXPECT_FLOAT_EQ(mesh.uvs[3], 2.0f);
}

TEST_F(UnwrapDriverTest, FailuresNotifyOnceAndShowNoPreview) {
    // An unknown method: seams gathered by the collector stay for the overlay.
    UnwrapSettings unknown = method(5);
    unknown.keep_seams = true;
    MObject seamed = testmesh::cube();
    testmesh::addUVs(seamed, false);
    DriverRun run = runOn(seamed, unknown);
    EXPECT_EQ(run.status.statusCode(), MStatus::kFailure);
    EXPECT_TRUE(run.previews.empty());
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, "Unknown unwrap type");
    EXPECT_EQ(run.notifications[0].caption, "Notification");
    EXPECT_EQ(run.notifications[0].type, 0x40u);
    EXPECT_EQ(run.seamPairs.length(), 2u * 24u);

    // A mesh without polygons.
    run = runOn(testmesh::make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}), method(ChartUnwrap));
    EXPECT_FALSE(run.status);
    EXPECT_TRUE(run.previews.empty());
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, "Cannot collect adjacency data for mesh.");

    // Faces without UVs under the existing-UV method are named.
    MObject partly = twoQuadsWithUVs();
    std::fill_n(partly.as<MeshData>()->uvSets()[0].faceVertexUVs.begin() + 4, 2, -1);
    run = runOn(partly, method(ExistingUVs));
    EXPECT_FALSE(run.status);
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, std::string(ErrorSites::FacesWithoutUVs.message) + "1");
    run = runOn(testmesh::cube(), method(ExistingUVs));
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text,
              std::string(ErrorSites::FacesWithoutUVs.message) + "all 6 faces (the mesh has no UV set)");

    // The engine's packer cannot place six sides in 8 x 8 texels with 8 texels between them.
    UnwrapSettings tiny = method(ExistingUVs);
    tiny.pack_mode = 0;
    tiny.tex_width = tiny.tex_height = 8;
    tiny.padding = 8;
    run = runOn(seamed, tiny);
    EXPECT_FALSE(run.status);
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, ErrorSites::PackingImpossible.message);

    // Everything behind the camera, and a camera that does not exist.
    UnwrapSettings camera = method(CameraProjection);
    camera.camera = "front";
    camera.cam_ortho = true;
    run = runOn(testmesh::make({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {{0, 1, 2}}), camera);
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, ErrorSites::NothingToProjectOrthographic.message);
    camera.camera = "frnt";
    run = runOn(testmesh::cube(), camera);
    ASSERT_EQ(run.notifications.size(), 1u);
    EXPECT_EQ(run.notifications[0].text, std::string(ErrorSites::CameraNotFound.message) + "frnt");
    EXPECT_TRUE(run.previews.empty());
}

TEST_F(UnwrapDriverTest, WithoutAMainWindowTheRunEndsWithTheException) {
    M3dView::setApplicationShell(0);
    UnwrapSettings settings = method(BoxProjection);
    MStatus status;
    clearShownNotifications();
    try {
        runUnwrap(settings, status, testmesh::cube(), MMatrix(), nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const VarnelleException& error) {
        EXPECT_EQ(error.message, "Maya window handle not found");
        EXPECT_EQ(error.line, 300);
    }
    EXPECT_TRUE(shownNotifications().empty());
}

TEST_F(UnwrapDriverTest, ChartEngineAndCameraRunsReachThePreview) {
    DriverRun run = runOn(testmesh::grid(4), method(ChartUnwrap));
    ASSERT_TRUE(run.status);
    ASSERT_TRUE(run.report.largestStretch.has_value());
    EXPECT_LE(*run.report.largestStretch, 0.15f);
    EXPECT_EQ(run.previews[0].indices.size(), 3u * 32u);
    std::set<std::string> stages;
    for (const UnwrapReport::Stage& stage : run.report.stages)
        stages.insert(stage.name);
    EXPECT_EQ(stages, (std::set<std::string>{"collect", "adjacency", "unwrap", "pack", "finish", "preview"}));

    UnwrapSettings camera = method(CameraProjection);
    camera.camera = "persp";
    run = runOn(testmesh::cube(), camera);
    ASSERT_TRUE(run.status);
    EXPECT_FALSE(run.report.largestStretch.has_value());
    // persp sees the +x, +y and +z sides; the three hidden ones collapse to points.
    EXPECT_EQ(run.report.charts, 4u);
    for (const float value : run.previews[0].points) {
        EXPECT_GE(value, 0.0f);
        EXPECT_LE(value, 1.0f);
    }
}
