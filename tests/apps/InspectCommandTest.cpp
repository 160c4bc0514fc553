#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

std::map<std::string, double> inspect(const std::string& mesh, std::vector<std::string> flags) {
    flags.insert(flags.begin(), std::string(VARNELLE_TEST_DATA) + "/" + mesh);
    std::ostringstream out;
    EXPECT_EQ(runInspect(flags, out), 0);
    // The report is one flat JSON object of numbers: "key": value, ...
    std::map<std::string, double> report;
    std::istringstream fields(out.str());
    std::string key;
    while (std::getline(fields, key, '"') && std::getline(fields, key, '"')) {
        fields.ignore(2); // ": "
        fields >> report[key];
    }
    return report;
}

} // namespace

TEST(InspectCommand, SphereWithPolesAndUVSeams) {
    // 64 x 32 lat-long sphere: 1920 quads, 128 pole triangles; the UV seam runs along one
    // meridian (30 quad edges) and through every pole edge (2 x 64).
    auto report = inspect("uv_sphere.obj", {});
    EXPECT_EQ(report["polygons"], 2048);
    EXPECT_EQ(report["triangles"], 3968);
    EXPECT_EQ(report["false_edge_corners"], 3840);
    EXPECT_EQ(report["seam_edges"], 158);
    EXPECT_EQ(report["seam_pairs"], 316);
    EXPECT_EQ(report["cut_corners"], 0);
    EXPECT_EQ(report["adjacency_links"], 3 * 3968);

    for (const std::vector<std::string>& flags : {std::vector<std::string>{"-ks", "1"}, {"-t", "2"}}) {
        report = inspect("uv_sphere.obj", flags);
        EXPECT_EQ(report["cut_corners"], 316);
        EXPECT_EQ(report["adjacency_links"], 3 * 3968 - 316);
    }
    // Every edge of a sphere is convex: grooves never cut, low ridges cut all mesh edges.
    EXPECT_EQ(inspect("uv_sphere.obj", {"-ug", "1", "-ga", "0"})["cut_corners"], 0);
    EXPECT_EQ(inspect("uv_sphere.obj", {"-ur", "1", "-ra", "0"})["cut_corners"], 3 * 3968 - 3840);
}

TEST(InspectCommand, ConcavePrismFoldsAboveAndBelowTheThresholds) {
    auto report = inspect("l_prism.obj", {});
    EXPECT_EQ(report["triangles"], 2 * 4 + 6 * 2);
    EXPECT_EQ(report["false_edge_corners"], 2 * 6 + 6 * 2);
    EXPECT_EQ(report["adjacency_links"], 60);
    // 17 convex edges and one concave, all at 90 degrees.
    EXPECT_EQ(inspect("l_prism.obj", {"-ur", "1", "-ra", "80"})["cut_corners"], 34);
    EXPECT_EQ(inspect("l_prism.obj", {"-ug", "1", "-ga", "80"})["cut_corners"], 2);
    EXPECT_EQ(inspect("l_prism.obj", {"-ug", "1", "-ga", "100", "-ur", "1", "-ra", "100"})["cut_corners"], 0);
}

TEST(InspectCommand, NonManifoldEdge) {
    auto report = inspect("fin.obj", {});
    EXPECT_EQ(report["seam_edges"], 1); // three faces: always a seam
    EXPECT_EQ(report["seam_pairs"], 3);
    EXPECT_EQ(report["adjacency_links"], 2); // only two of the three triangles link
    report = inspect("fin.obj", {"-ks", "1"});
    EXPECT_EQ(report["cut_corners"], 3);
    EXPECT_EQ(report["adjacency_links"], 0);
}

TEST(InspectCommand, UsageAndFileErrors) {
    std::ostringstream out;
    const std::string sphere = std::string(VARNELLE_TEST_DATA) + "/uv_sphere.obj";
    EXPECT_THROW(runInspect({}, out), UsageError);
    EXPECT_THROW(runInspect({"-t", "2"}, out), UsageError);
    EXPECT_THROW(runInspect({sphere, "-zz", "1"}, out), UsageError);
    EXPECT_THROW(runInspect({sphere, "-ga"}, out), UsageError);
    EXPECT_THROW(runInspect({"/no/such/file.obj"}, out), FileError);
}
