#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/MessageBox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// A unit cube of six quads, written to a scratch file.
std::string writeCube(const std::filesystem::path& folder) {
    const std::string path = (folder / "cube.obj").string();
    std::ofstream file(path);
    file << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
            "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
    return path;
}

class ChartsCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-charts-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
        cube_ = writeCube(folder_);
        clearShownNotifications();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
    std::string cube_;
};

TEST_F(ChartsCommand, WritesPackedChartsAsTheMeshUVs) {
    const std::string output = (folder_ / "out.obj").string();
    std::ostringstream report;
    ASSERT_EQ(runCharts({cube_, "-st", "0", "--pack", "64", "64", "2", "--json", "-o", output}, report), 0);
    EXPECT_NE(report.str().find("\"charts\": "), std::string::npos);
    EXPECT_NE(report.str().find("\"max_stretch\": "), std::string::npos);
    EXPECT_NE(report.str().find("\"partition\": "), std::string::npos);

    std::ifstream file(output);
    std::string line;
    size_t uvs = 0, faces = 0;
    while (std::getline(file, line)) {
        if (line.rfind("vt ", 0) == 0) {
            float u = -1, v = -1;
            std::istringstream(line.substr(3)) >> u >> v;
            EXPECT_TRUE(u >= 0 && u <= 1 && v >= 0 && v <= 1) << line;
            ++uvs;
        }
        if (line.rfind("f ", 0) == 0) {
            ++faces;
            EXPECT_NE(line.find('/'), std::string::npos) << "every corner has a uv: " << line;
        }
    }
    EXPECT_EQ(faces, 6u);
    EXPECT_GE(uvs, 8u) << "a closed cube needs seams";
}

TEST_F(ChartsCommand, ReportsAFailedPackWithTheNotificationAndUsageErrorsByThrowing) {
    std::ostringstream report;
    EXPECT_EQ(runCharts({cube_, "-st", "0", "--pack", "1", "1", "0"}, report), 1);
    const std::vector<Notification> shown = shownNotifications();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Notification");
    EXPECT_EQ(shown[0].text.rfind("Packing was not possible", 0), 0u);

    EXPECT_THROW(runCharts({cube_, "--pack", "64", "64"}, report), UsageError);
    EXPECT_THROW(runCharts({cube_, "-st", "much"}, report), UsageError);
    EXPECT_THROW(runCharts({cube_, "--frobnicate"}, report), UsageError);
    EXPECT_THROW(runCharts({cube_, "--pack", "-4", "64", "1"}, report), UsageError);
    EXPECT_THROW(runCharts({cube_, "-o", cube_}, report), FileError) << "never writes over its input";
}

} // namespace
