#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/LayoutObjWriter.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/M3dView.h"
#include "hostapi/MeshData.h"
#include "hostapi/MessageBox.h"
#include "hostapi/ObjFile.h"
#include "preview/PngImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class UnwrapCommand : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-unwrap-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
        output_ = (folder_ / "out.obj").string();
        M3dView::setApplicationShell(1);
        clearShownNotifications();
    }
    void TearDown() override {
        M3dView::setApplicationShell(0);
        std::filesystem::remove_all(folder_);
    }

    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = (folder_ / name).string();
        std::ofstream(path) << text;
        return path;
    }

    // Runs the command and returns its exit code; the terminal output is kept quiet.
    int run(std::vector<std::string> words) {
        report_.str("");
        testing::internal::CaptureStderr();
        const int code = runUnwrapCommand(words, report_);
        stderr_ = testing::internal::GetCapturedStderr();
        return code;
    }

    std::filesystem::path folder_;
    std::string output_;
    std::ostringstream report_;
    std::string stderr_;
};

// Every face of the output, re-read, has UVs inside the unit square; returns the mesh.
const MeshData* readBack(const std::string& path, MObject& holder) {
    holder = importObj(path).front();
    const MeshData* mesh = holder.as<MeshData>();
    const MeshUVSet& set = mesh->uvSets().at(0);
    for (int corner = 0; corner < mesh->numFaceVertices(); ++corner) {
        const int uv = set.faceVertexUVs[corner];
        EXPECT_GE(uv, 0);
        if (uv < 0) continue;
        EXPECT_TRUE(set.u[uv] >= 0.0f && set.u[uv] <= 1.0f && set.v[uv] >= 0.0f && set.v[uv] <= 1.0f);
    }
    return mesh;
}

} // namespace

TEST_F(UnwrapCommand, WritesTheMeshUnchangedWithTheLayoutAndReportsIt) {
    const std::string input = VARNELLE_TEST_DATA "/l_prism.obj";
    ASSERT_EQ(run({input, "-o", output_, "--json"}), 0) << stderr_;
    const std::string json = report_.str();
    for (const char* key : {"\"charts\": ", "\"max_stretch\": 0.", "\"uv_count\": ", "\"efficiency\": ",
                            "\"time_ms\": ", "\"stages_ms\": {\"load\": ", "\"write\": "})
        EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;

    MObject before = importObj(input).front(), after;
    const MeshData* unwrapped = readBack(output_, after);
    const MeshData& original = *before.as<MeshData>();
    ASSERT_EQ(unwrapped->numPolygons(), original.numPolygons()) << "no polygon of a prism is split";
    for (int face = 0; face < original.numPolygons(); ++face) {
        const auto a = original.polygonVertices(face), b = unwrapped->polygonVertices(face);
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));
    }
    for (int vertex = 0; vertex < original.numVertices(); ++vertex) {
        EXPECT_EQ(original.points()[vertex].x, unwrapped->points()[vertex].x);
        EXPECT_EQ(original.points()[vertex].z, unwrapped->points()[vertex].z);
    }

    // The summary line without --json; the box method reports no stretch.
    ASSERT_EQ(run({input, "-o", output_, "-t", "1"}), 0) << stderr_;
    EXPECT_NE(report_.str().find(" charts, efficiency "), std::string::npos) << report_.str();
    EXPECT_NE(report_.str().find(output_), std::string::npos);
}

TEST_F(UnwrapCommand, PolygonsSplitByTheLayoutAreWrittenAsTriangles) {
    // A quad (triangles 0 1 2 and 0 2 3) whose vertex 0 gets two UVs, and a triangle.
    const MObject mesh =
        importObj(write("in.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nf 1 2 3 4\nf 2 5 3\n")).front();
    UVLayout layout{{0, 0, 0, 0.5f, 0, 0, 0.5f, 0.5f, 0, 0, 0.5f, 0, 0.9f, 0.9f, 0, 1, 0, 0},
                    {0, 1, 2, 4, 2, 3, 1, 5, 2}};
    writeLayoutObj(output_, mesh, layout, "");
    std::ifstream file(output_);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("\nf 1/1 2/2 3/3\nf 1/5 3/3 4/4\nf 2/2 5/6 3/3\n"), std::string::npos) << text.str();

    // When the triangles agree, the quad stays a quad.
    layout.indices[3] = 0;
    writeLayoutObj(output_, mesh, layout, "");
    std::ifstream again(output_);
    text.str("");
    text << again.rdbuf();
    EXPECT_NE(text.str().find("\nf 1/1 2/2 3/3 4/4\nf 2/2 5/6 3/3\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\nvt 0.9 0.9\n"), std::string::npos) << "one vt per layout UV, used or not";

    EXPECT_THROW(writeLayoutObj((folder_ / "missing" / "x.obj").string(), mesh, layout, ""), FileError);
    const std::string input = (folder_ / "in.obj").string();
    EXPECT_THROW(writeLayoutObj(input, mesh, layout, input), FileError);
}

TEST_F(UnwrapCommand, ChartsOutputKeepsEveryCornerInItsChart) {
    // A quad with a coplanar triangle on its second half: the chart engine puts the quad's two
    // triangles into different charts, so the quad must come out as its triangles.
    const std::string input = write("quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nf 1 3 4\n");
    testing::internal::CaptureStderr();
    ASSERT_EQ(runCharts({input, "-st", "0", "--pack", "64", "64", "2", "-o", output_}, report_), 0);
    testing::internal::GetCapturedStderr();
    MObject holder = importObj(output_).front();
    const MeshData& mesh = *holder.as<MeshData>();
    const MeshUVSet& set = mesh.uvSets().at(0);
    EXPECT_EQ(mesh.numPolygons(), 3);
    for (int face = 0; face < mesh.numPolygons(); ++face) {
        const int* corners = mesh.triangleFaceVertices(face, 0);
        const int a = set.faceVertexUVs[corners[0]], b = set.faceVertexUVs[corners[1]],
                  c = set.faceVertexUVs[corners[2]];
        const float area =
            (set.u[b] - set.u[a]) * (set.v[c] - set.v[a]) - (set.u[c] - set.u[a]) * (set.v[b] - set.v[a]);
        EXPECT_GT(area, 0.0f) << "face " << face << " is flipped";
    }
}

TEST_F(UnwrapCommand, EveryMethodKeepsTheLayoutRoundTripThroughTheFile) {
    const std::string input = VARNELLE_TEST_DATA "/uv_sphere.obj";
    for (const char* type : {"1", "2", "3"}) {
        ASSERT_EQ(run({input, "-o", output_, "-t", type, "-c", "persp", "-tx", "2", "-ty", "2", "--json"}), 0)
            << stderr_;
        MObject holder = importObj(output_).front();
        const MeshData& mesh = *holder.as<MeshData>();
        const MeshUVSet& set = mesh.uvSets().at(0);
        for (int corner = 0; corner < mesh.numFaceVertices(); ++corner) {
            const int uv = set.faceVertexUVs[corner];
            ASSERT_GE(uv, 0);
            EXPECT_TRUE(set.u[uv] >= 0.0f && set.u[uv] <= 2.0f && set.v[uv] >= 0.0f && set.v[uv] <= 2.0f);
        }
    }
}

TEST_F(UnwrapCommand, FlagsAreNormalisedAsTheCommandsAndBadOnesAreUsageErrors) {
    const std::string input = VARNELLE_TEST_DATA "/l_prism.obj";
    // A width of 0 becomes 8: one texel of padding on 8 x 8 leaves 1/16 free at the border.
    ASSERT_EQ(run({input, "-o", output_, "-t", "1", "-w", "0", "-h", "0", "-pad", "1"}), 0) << stderr_;
    MObject holder;
    const MeshUVSet& set = readBack(output_, holder)->uvSets()[0];
    EXPECT_FLOAT_EQ(*std::min_element(set.u.begin(), set.u.end()), 1.0f / 16.0f);
    // A padding of -1 becomes 0.
    ASSERT_EQ(run({input, "-o", output_, "-t", "1", "-pad", "-1"}), 0) << stderr_;
    const MeshUVSet& unpadded = readBack(output_, holder)->uvSets()[0];
    EXPECT_EQ(*std::min_element(unpadded.u.begin(), unpadded.u.end()), 0.0f);

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{input},
          {input, "-o"},
          {input, "-o", output_, "-pad", "1.5"},
          {input, "-o", output_, "-w", "99999999999"},
          {input, "-o", output_, "-co", "maybe"},
          {input, "-o", output_, "--frobnicate"},
          {input, "-o", output_, "--mesh", "nothing"},
          {input, "-o", output_, "--camera-def", "cam", "0", "0", "x", "0", "0", "0"},
          {input, "-o", output_, "--camera-def", "cam", "1", "1", "1", "1", "1", "1"},
          {input, "-o", output_, "--camera-def", "persp", "0", "0", "5", "0", "0", "0"},
          {input, "-o", output_, "--camera-def", "cam", "0", "0", "5", "0", "0", "0", "ortho", "0"}})
        EXPECT_THROW(runUnwrapCommand(words, report_), UsageError) << words.back();
    std::filesystem::remove(output_);
    EXPECT_THROW(runUnwrapCommand({input, "-o", input}, report_), FileError);
    EXPECT_THROW(runUnwrapCommand({input, "-o", (folder_ / "no" / "out.obj").string()}, report_), FileError);
    EXPECT_THROW(runUnwrapCommand({write("empty.obj", "v 0 0 0\n"), "-o", output_}, report_), FileError);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(UnwrapCommand, FailedRunsPrintTheirMessageOnceAndWriteNothing) {
    const std::string plate = write("plate.obj", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n");
    // The same plate turned over, facing away from a camera above it.
    const std::string turned = write("turned.obj", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 4 3 2 1\n");
    struct Case {
        std::string input;
        std::vector<std::string> flags;
        std::string message;
    };
    const Case cases[] = {
        {plate, {"-t", "5"}, "Unknown unwrap type"},
        {plate, {"-t", "3", "-c", "nobody"}, "This camera does not exist in the scene: nobody"},
        {turned,
         {"-t", "3", "-c", "above", "--camera-def", "above", "0", "0", "5", "0", "0", "0"},
         "The current projection settings have filtered out all surfaces, there is nothing left to unwrap."},
        {plate, {"-t", "1", "-p", "0", "-w", "8", "-h", "8", "-pad", "8"}, "Packing was not possible"},
        {plate, {"-t", "1", "-w", "8", "-h", "8", "-pad", "32"}, "Packing was not possible"},
    };
    for (const Case& failure : cases) {
        clearShownNotifications();
        std::vector<std::string> words{failure.input, "-o", output_};
        words.insert(words.end(), failure.flags.begin(), failure.flags.end());
        EXPECT_EQ(run(words), 1) << failure.message;
        const std::vector<Notification> shown = shownNotifications();
        ASSERT_EQ(shown.size(), 1u) << failure.message;
        EXPECT_EQ(shown[0].text.rfind(failure.message, 0), 0u) << shown[0].text;
        EXPECT_FALSE(std::filesystem::exists(output_));
    }

    // A defined camera above the plate sees it.
    EXPECT_EQ(run({plate, "-o", output_, "-t", "3", "-c", "above", "--camera-def", "above", "0", "0", "5", "0", "0",
                   "0", "ortho", "3"}),
              0)
        << stderr_;

    // Without a main window the run's exception is the command's failure.
    M3dView::setApplicationShell(0);
    std::filesystem::remove(output_);
    EXPECT_EQ(run({plate, "-o", output_, "-t", "1"}), 1);
    EXPECT_NE(stderr_.find("Maya window handle not found"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(UnwrapCommand, MeshFlagPicksAnObjectOfTheFile) {
    const std::string input = write("two.obj", "o first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                                               "o second\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\nf 4 5 6 7\n");
    ASSERT_EQ(run({input, "-o", output_, "-t", "1", "--mesh", "second"}), 0) << stderr_;
    MObject holder;
    const MeshData* mesh = readBack(output_, holder);
    EXPECT_EQ(mesh->numVertices(), 4);
    EXPECT_EQ(mesh->numPolygons(), 1);
    EXPECT_EQ(mesh->polygonVertices(0).size(), 4u);
}

TEST_F(UnwrapCommand, PreviewImageShowsTheLayoutWrittenToTheFile) {
    const std::string plate = write("plate.obj", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n");
    const std::string picture = (folder_ / "layout.png").string();
    ASSERT_EQ(run({plate, "-o", output_, "-t", "1", "-pad", "0", "--preview", picture, "--preview-size", "64"}), 0)
        << stderr_;
    const PixelCanvas canvas = readPng(picture);
    ASSERT_EQ(canvas.width, 64);
    ASSERT_EQ(canvas.height, 64);
    // The one quad fills the square: its border is white, its inside black, and no diagonal.
    const uint32_t white = rgb(255, 255, 255);
    EXPECT_EQ(canvas.at(0, 32), white);
    EXPECT_EQ(canvas.at(63, 32), white);
    EXPECT_EQ(canvas.at(32, 0), white);
    EXPECT_EQ(canvas.at(32, 63), white);
    EXPECT_EQ(canvas.at(32, 32), rgb(0, 0, 0));

    // A failed run shows no preview, and the image may not take the output's place.
    std::filesystem::remove(picture);
    EXPECT_EQ(run({plate, "-o", output_, "-t", "5", "--preview", picture}), 1);
    EXPECT_FALSE(std::filesystem::exists(picture));
    EXPECT_THROW(run({plate, "-o", output_, "--preview", output_}), FileError);
}
