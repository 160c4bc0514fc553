#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/M3dView.h"
#include "hostapi/MeshData.h"
#include "hostapi/MessageBox.h"
#include "hostapi/ObjFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class HostileMesh : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-hostile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string write(const std::string& name, const std::string& content) const {
        const std::string path = (folder_ / name).string();
        std::ofstream(path) << content;
        return path;
    }
    std::string scratch(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

// Two unit squares side by side in 3D; the second one's UVs are `far` to `far + size`.
std::string twoSquares(const std::string& far, const std::string& size) {
    return "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 3 0 0\nv 3 1 0\nv 2 1 0\n"
           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
           "vt " +
           far + " " + far + "\nvt " + size + " " + far + "\nvt " + size + " " + size + "\nvt " + far + " " + size +
           "\n"
           "f 1/1 2/2 3/3 4/4\nf 5/5 6/6 7/7 8/8\n";
}

// The values of every attribute `name="..."` in an SVG text.
std::vector<std::string> attributeValues(const std::string& svg, const std::string& name) {
    std::vector<std::string> values;
    const std::string opening = " " + name + "=\"";
    for (size_t at = svg.find(opening); at != std::string::npos; at = svg.find(opening, at + 1)) {
        const size_t start = at + opening.size();
        values.push_back(svg.substr(start, svg.find('"', start) - start));
    }
    return values;
}

// The number a whole word spells, or NaN when it is not one.
double wholeNumber(const std::string& word) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0' ? value : std::nan("");
}

// Checks that an SVG picture is well formed where the outline writer could break it: the
// viewBox is four finite numbers, every path point and polygon point is two finite numbers
// and lies inside the viewBox.
void expectWellFormedPicture(const std::string& svg) {
    const std::vector<std::string> boxes = attributeValues(svg, "viewBox");
    ASSERT_EQ(boxes.size(), 1u);
    std::istringstream box(boxes[0]);
    std::string words[4];
    box >> words[0] >> words[1] >> words[2] >> words[3];
    const double width = wholeNumber(words[2]), height = wholeNumber(words[3]);
    ASSERT_TRUE(words[0] == "0" && words[1] == "0" && std::isfinite(width) && width > 0 && std::isfinite(height) &&
                height > 0)
        << boxes[0];
    auto expectInside = [&](const std::string& xWord, const std::string& yWord) {
        const double x = wholeNumber(xWord), y = wholeNumber(yWord);
        EXPECT_TRUE(x >= 0 && x <= width && y >= 0 && y <= height)
            << "'" << xWord << "' '" << yWord << "' outside " << boxes[0];
    };
    for (const std::string& path : attributeValues(svg, "d")) {
        std::istringstream commands(path);
        std::string word, y;
        while (commands >> word) {
            if (word == "Z") continue;
            ASSERT_TRUE(word[0] == 'M' || word[0] == 'L') << word;
            commands >> y;
            expectInside(word.substr(1), y);
        }
    }
    for (const std::string& polygon : attributeValues(svg, "points")) {
        std::istringstream points(polygon);
        std::string point;
        while (points >> point)
            expectInside(point.substr(0, point.find(',')), point.substr(point.find(',') + 1));
    }
}

} // namespace

// Every subcommand refuses a malformed file with its line, as a file error (exit 2).
TEST_F(HostileMesh, EverySubcommandRefusesAMalformedCornerWithItsLine) {
    const std::string bad = write("bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/ 3/1\n");
    std::ostringstream out;
    const std::string expected = bad + ":5: corner '2/' is not one of v, v/vt, v//vn and v/vt/vn";
    for (const std::vector<std::string>& words : {std::vector<std::string>{"inspect", bad},
                                                  {"charts", bad, "--pack", "64", "64", "2"},
                                                  {"pack", bad, "-o", scratch("out.obj")},
                                                  {"outline", bad, "--svg", scratch("out.svg")}}) {
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        try {
            if (words[0] == "inspect") runInspect(rest, out);
            if (words[0] == "charts") runCharts(rest, out);
            if (words[0] == "pack") runPack(rest, out);
            if (words[0] == "outline") runOutline(rest, out);
            ADD_FAILURE() << words[0] << " took the file";
        } catch (const FileError& error) {
            EXPECT_EQ(error.what(), expected) << words[0];
        }
    }
    EXPECT_FALSE(std::filesystem::exists(scratch("out.obj")));
}

// Faces without UVs are not packed silently in place: pack and outline refuse the mesh and
// name the faces (numbered from 0) as the unwrap's existing-UV method does.
TEST_F(HostileMesh, ExistingUVsOnSomeFacesOnlyAreRefusedWithTheFaceNumbers) {
    const std::string partial = write("partial.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                                                     "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                                     "f 1/1 2/2 3/3 4/4\nf 2 5 6 3\nf 2/2 5 6/3\n");
    std::ostringstream out;
    const std::string output = scratch("out.obj");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runPack({partial, "-o", output}, out), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "varnelle pack: " + partial +
                  ": These faces have no UVs in the current UV set, so its UVs cannot be kept: 1, 2\n");
    EXPECT_FALSE(std::filesystem::exists(output));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runOutline({partial, "--svg", scratch("out.svg")}, out), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot be kept: 1, 2\n"), std::string::npos);
}

// A face listing a vertex at two neighbouring corners packs as the polygon without the repeat.
TEST_F(HostileMesh, ARepeatedNeighbouringCornerPacksAsThePolygonWithoutIt) {
    const std::string repeated = write("repeated.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                                                       "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 9 9\nvt 2 0\nvt 2 1\n"
                                                       "f 1/1 2/2 3/3 4/4 4/5\nf 2/2 5/6 6/7 3/3 3/5\n");
    std::ostringstream out;
    const std::string output = scratch("out.obj");
    ASSERT_EQ(runPack({repeated, "-o", output, "--json"}, out), 0);
    EXPECT_NE(out.str().find("\"charts\": 1,"), std::string::npos) << out.str();
    const MObject packed = importObj(output).front();
    EXPECT_EQ(packed.as<MeshData>()->numFaceVertices(), 8);
}

// A UV or position that a 32-bit float cannot hold is refused with its line, never packed into NaN.
TEST_F(HostileMesh, CoordinatesBeyond32BitFloatsAreRefusedWithTheirLine) {
    const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n";
    std::ostringstream out;
    const std::string farUV = write("far_uv.obj", quad + "vt 0 1e308\nf 1/1 2/2 3/3 4/4\n");
    try {
        runPack({farUV, "-o", scratch("out.obj")}, out);
        ADD_FAILURE() << "a UV of 1e308 was packed";
    } catch (const FileError& error) {
        EXPECT_EQ(error.what(), farUV + ":8: texture coordinate '1e308' is beyond the range of 32-bit floats");
    }
    const std::string farPoint = write("far_point.obj", "v 0 0 0\nv 1 0 0\nv 0 -4e38 0\nf 1 2 3\n");
    EXPECT_THROW(runCharts({farPoint, "--pack", "64", "64", "2"}, out), FileError);
    EXPECT_FALSE(std::filesystem::exists(scratch("out.obj")));
}

// The outline picture stays well formed when charts lie far apart or collapse in 32-bit UVs.
TEST_F(HostileMesh, OutlinePictureIsWellFormedAtHugeUVSpans) {
    for (const auto& [far, size] : {std::pair<std::string, std::string>{"1e14", "1.00000001e14"},
                                    {"-1e30", "1e30"},
                                    {"0", "3e38"},
                                    {"1e-30", "2e-30"}}) {
        const std::string mesh = write("far.obj", twoSquares(far, size));
        const std::string picture = scratch("far.svg");
        std::ostringstream out;
        ASSERT_EQ(runOutline({mesh, "--svg", picture}, out), 0) << far;
        std::ifstream file(picture);
        std::stringstream svg;
        svg << file.rdbuf();
        SCOPED_TRACE(far + " " + size);
        expectWellFormedPicture(svg.str());
    }
}

// Charts the packer cannot place are a clear failure in every command, never an abort: a mesh
// so small that its box-projected UVs have no area in 32-bit floats.
TEST_F(HostileMesh, ChartsWithoutAreaInFloatsAreRefusedByEveryCommand) {
    const std::string speck = write("speck.obj", "v 0 0 0\nv 1e-30 0 0\nv 1e-30 1e-30 0\nv 0 1e-30 0\nf 1 2 3 4\n");
    std::ostringstream out;
    try {
        runPack({speck, "-o", scratch("out.obj")}, out);
        ADD_FAILURE() << "a mesh without area in floats was packed";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(speck + ": pack: ", 0), 0u) << error.what();
    }
    EXPECT_THROW(runOutline({speck, "--svg", scratch("out.svg")}, out), FileError);
    M3dView::setApplicationShell(1);
    clearShownNotifications();
    testing::internal::CaptureStderr();
    EXPECT_EQ(runUnwrapCommand({speck, "-o", scratch("out.obj"), "-t", "1"}, out), 1);
    testing::internal::GetCapturedStderr();
    M3dView::setApplicationShell(0);
    const std::vector<Notification> shown = shownNotifications();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("Packing was not possible", 0), 0u) << shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(scratch("out.obj")));
    EXPECT_FALSE(std::filesystem::exists(scratch("out.svg")));
}
