#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "apps/varnelle/UVCharts.h"
#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"

#include <gtest/gtest.h>

#include <cmath>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string scratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("varnelle_packer_" + name)).string();
}

} // namespace

TEST(PackCommand, PacksExistingChartsIntoTheUnitSquare) {
    const std::string input = VARNELLE_TEST_DATA "/spot.obj";
    const std::string output = scratchPath("spot_packed.obj");
    std::ostringstream report;
    ASSERT_EQ(runPack({input, "-o", output, "-p", "2", "-ro", "2", "--json"}, report), 0);
    EXPECT_NE(report.str().find("\"charts\": 13"), std::string::npos) << report.str();
    EXPECT_NE(report.str().find("\"efficiency\""), std::string::npos);

    const MObject before = importObj(input).front();
    const MObject after = importObj(output).front();
    const MeshData& packed = *after.as<MeshData>();
    EXPECT_EQ(packed.numPolygons(), before.as<MeshData>()->numPolygons());
    double sumBefore = 0.0, sumAfter = 0.0;
    for (const MPoint& p : before.as<MeshData>()->points())
        sumBefore += p.x + 2.0 * p.y + 3.0 * p.z;
    for (const MPoint& p : packed.points())
        sumAfter += p.x + 2.0 * p.y + 3.0 * p.z;
    EXPECT_NEAR(sumAfter, sumBefore, 1e-4 * std::abs(sumBefore) + 1e-4);
    const MeshUVSet& set = packed.uvSets()[packed.currentUVSet()];
    for (size_t i = 0; i < set.u.size(); ++i) {
        EXPECT_GE(set.u[i], 0.0f);
        EXPECT_LE(set.u[i], 1.0f);
        EXPECT_GE(set.v[i], 0.0f);
        EXPECT_LE(set.v[i], 1.0f);
    }
    // Packing the packed mesh again finds the same charts.
    UVCharts charts;
    std::string problem;
    ASSERT_TRUE(readUVCharts(after, charts, problem));
    EXPECT_EQ(charts.chartCount, 13u);
    std::filesystem::remove(output);
}

TEST(PackCommand, MeshWithoutUVsIsBoxProjectedAndTheOutlinePictureIsDrawn) {
    const std::string input = VARNELLE_TEST_DATA "/kitbash.obj";
    UVCharts charts;
    std::string problem;
    ASSERT_TRUE(readUVCharts(importObj(input).front(), charts, problem));
    // 300 boxes, cylinders and wedges: every flat side its own chart at least.
    EXPECT_GT(charts.chartCount, 1000u);

    const std::string picture = scratchPath("spot.svg");
    std::ostringstream report;
    ASSERT_EQ(runOutline({VARNELLE_TEST_DATA "/spot.obj", "--svg", picture, "-pad", "4"}, report), 0);
    EXPECT_NE(report.str().find("\"charts\": 13"), std::string::npos) << report.str();
    std::ifstream svg(picture);
    std::stringstream text;
    text << svg.rdbuf();
    EXPECT_EQ(text.str().rfind("<svg", 0), 0u);
    EXPECT_NE(text.str().find("class=\"padded\""), std::string::npos);
    std::filesystem::remove(picture);
}

TEST(PackCommand, RefusesBadCommandLinesAndOverwritingTheInput) {
    const std::string input = VARNELLE_TEST_DATA "/spot.obj";
    std::ostringstream report;
    EXPECT_THROW(runPack({input}, report), UsageError);
    EXPECT_THROW(runPack({input, "-o"}, report), UsageError);
    EXPECT_THROW(runPack({input, "-o", scratchPath("x.obj"), "-p", "0"}, report), UsageError);
    EXPECT_THROW(runPack({input, "-o", scratchPath("x.obj"), "-st", "0.2"}, report), UsageError);
    EXPECT_THROW(runPack({input, "-o", input}, report), FileError);
    EXPECT_THROW(runOutline({input, "-pad", "2"}, report), UsageError);
    EXPECT_THROW(runOutline({input, "--svg", input}, report), FileError);
    EXPECT_THROW(runPack({VARNELLE_TEST_DATA "/missing.obj", "-o", scratchPath("x.obj")}, report), FileError);
}
