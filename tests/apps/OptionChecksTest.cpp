#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

const std::string sphere = VARNELLE_TEST_DATA "/uv_sphere.obj";
const std::string prism = VARNELLE_TEST_DATA "/l_prism.obj";

class OptionChecks : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-options-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string scratch(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

// The usage error a subcommand gives for these words, or "" when it gives none.
template <typename Run>
std::string usageErrorOf(Run run, const std::vector<std::string>& words) {
    std::ostringstream out;
    try {
        run(words, out);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

} // namespace

// Values of the program's own options that can only be a mistake are usage errors that
// name the option and the value.
TEST_F(OptionChecks, MistakenValuesOfTheProgramsOwnOptionsAreUsageErrors) {
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "--pack", "1024", "1024", "2000"}),
              "--pack gutter '2000' leaves no room in a 1024 x 1024 texture");
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "--pack", "64", "32", "32"}),
              "--pack gutter '32' leaves no room in a 64 x 32 texture");
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "--pack", "0", "64", "2"}),
              "--pack needs a texture of 1 texel or more on each side, not 0 x 64");
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "--pack", "64", "0", "0"}),
              "--pack needs a texture of 1 texel or more on each side, not 64 x 0");
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "--pack", "64", "64", "nan"}), "--pack needs a number, not 'nan'");
    EXPECT_EQ(usageErrorOf(runCharts, {prism, "-o", ""}), "-o needs a file name, not ''");
    EXPECT_EQ(usageErrorOf(runPack, {prism, "-o", ""}), "-o needs a file name, not ''");
    EXPECT_EQ(usageErrorOf(runOutline, {prism, "--svg", ""}), "--svg needs a file name, not ''");

    std::ostringstream report;
    EXPECT_EQ(runCharts({prism, "--pack", "64", "64", "31.5"}, report), 0) << "a gutter that leaves room is taken";
}

// The unwrap flags keep the settings' normalisation: out-of-range values are clamped, not refused.
TEST_F(OptionChecks, UnwrapFlagsAreNormalisedNotRefused) {
    std::ostringstream report;
    const std::string output = scratch("packed.obj");
    ASSERT_EQ(runPack({prism, "-o", output, "-w", "0", "-h", "100000", "-pad", "-1", "-ro", "77"}, report), 0);
    const MObject packed = importObj(output).front();
    const MeshUVSet& set = packed.as<MeshData>()->uvSets()[0];
    for (size_t uv = 0; uv < set.u.size(); ++uv) {
        EXPECT_TRUE(set.u[uv] >= 0.0f && set.u[uv] <= 1.0f) << set.u[uv];
        EXPECT_TRUE(set.v[uv] >= 0.0f && set.v[uv] <= 1.0f) << set.v[uv];
    }
    EXPECT_EQ(runInspect({prism, "-ga", "500", "-st", "7"}, report), 0);
}

// -mc names the UV set only for a mesh without a current one, as in the host; the program
// says so when the name is not the set that is read.
TEST_F(OptionChecks, AUVSetNameTheMeshDoesNotHaveIsReported) {
    std::ostringstream plain, named;
    ASSERT_EQ(runInspect({sphere, "-ks", "1"}, plain), 0);
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(runInspect({sphere, "-ks", "1", "-mc", "lightmap"}, named), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "varnelle inspect: warning: -mc 'lightmap' is not used: the mesh's current UV set 'map1' is read "
              "(-mc names the set only for a mesh without one)\n");
    EXPECT_EQ(named.str().substr(0, named.str().find("\"time_ms\"")),
              plain.str().substr(0, plain.str().find("\"time_ms\"")));

    ::testing::internal::CaptureStderr();
    ASSERT_EQ(runInspect({prism, "-mapchannel", "lightmap"}, named), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "varnelle inspect: warning: -mc 'lightmap': the mesh has no UV set, so no edge has UVs and every edge "
              "is a UV seam\n");
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(runInspect({sphere, "-mc", "map1"}, named), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
