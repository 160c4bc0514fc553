#include "hostapi/ObjFile.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MeshData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class ObjFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("varnelle_obj_" + std::to_string(::getpid()) + "_" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string write(const std::string& name, const std::string& content) {
        const fs::path path = folder_ / name;
        std::ofstream(path) << content;
        return path.string();
    }

    // The error message importObj gives for a file with this content.
    std::string errorFor(const std::string& content) {
        const std::string path = write("bad.obj", content);
        try {
            importObj(path);
        } catch (const FileError& error) {
            return error.what();
        }
        return "no error";
    }

    fs::path folder_;
};

} // namespace

TEST_F(ObjFileTest, ReadsPolygonsUVsAndObjects) {
    const std::string path = write("two.obj", "# two objects\n"
                                              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 5 5 5\n"
                                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                              "o first\nf 1/1 2/2 3/3 4/4\n"
                                              "o second\ng part\nf -5 -4 -3\nf 2 3 5\n");
    const std::vector<MObject> meshes = importObj(path);
    ASSERT_EQ(meshes.size(), 2u);
    const MeshData& first = *meshes[0].as<MeshData>();
    EXPECT_EQ(first.name(), "first");
    EXPECT_EQ(first.numVertices(), 4);
    EXPECT_EQ(first.numPolygons(), 1);
    EXPECT_EQ(first.numTriangles(), 2);
    EXPECT_EQ(MFnMesh(meshes[0]).currentUVSetName(), MString("map1"));
    EXPECT_EQ(MFnMesh(meshes[0]).numUVs(), 4);
    const MeshData& second = *meshes[1].as<MeshData>();
    EXPECT_EQ(second.numPolygons(), 2);
    EXPECT_EQ(second.numVertices(), 4); // only the vertices its faces use
    EXPECT_EQ(second.uvSets()[0].faceVertexUVs, (std::vector<int>(6, -1)));
}

TEST_F(ObjFileTest, KeepsIsolatedVerticesOfASingleObjectAlsoWhenWrittenAndReadBack) {
    for (const char* named : {"", "o named\n"}) {
        const std::string path =
            write("one.obj", std::string("v 0 0 0\nv 1 0 0\nv 9 9 9\n") + named + "v 0 1 0\nf 1 2 4\n");
        const std::vector<MObject> meshes = importObj(path);
        const MeshData& mesh = *meshes.front().as<MeshData>();
        EXPECT_EQ(mesh.numVertices(), 4) << named;
        EXPECT_EQ(mesh.currentUVSet(), -1);
        std::ostringstream written;
        writeObj(written, meshes);
        std::istringstream stream(written.str());
        EXPECT_EQ(readObj(stream, "written.obj").front().as<MeshData>()->numVertices(), 4) << written.str();
    }
}

TEST_F(ObjFileTest, BadFilesNameTheLineAndTheProblem) {
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n").find("bad.obj:4: vertex index 4 is out of range"),
              std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv nan 0 0\n").find(":2: vertex coordinate 'nan' is not a finite number"),
              std::string::npos);
    EXPECT_NE(errorFor("v 0 0 inf\n").find(":1:"), std::string::npos);
    EXPECT_NE(errorFor("v 0 0\n").find(":1: a vertex needs three coordinates"), std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\n\nf 1 2\n").find(":4: a face needs at least three vertices"),
              std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n").find("index 0 is not valid"), std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 x\n").find("is not an integer"), std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/4 2 3\n").find("texture coordinate index 4 is out of range"),
              std::string::npos);
    EXPECT_NE(errorFor("hello world\n").find(":1: unknown statement 'hello'"), std::string::npos);
    EXPECT_NE(errorFor(std::string("v 0 0 0\n\0\x01\x02", 11)).find("binary data"), std::string::npos);
    EXPECT_NE(errorFor("v 0 0 0\nv 1 0 0\n").find("no polygons"), std::string::npos);
    EXPECT_NE(errorFor("").find("no polygons"), std::string::npos);

    EXPECT_THROW(importObj((folder_ / "missing.obj").string()), FileError);
    EXPECT_THROW(importObj(folder_.string()), FileError);
}

// Faults found by hand and by fuzzing: each used to read out of bounds, overflow, grow
// memory without bound or pass unchecked.
TEST_F(ObjFileTest, HostileCornersAndIndicesAreRefusedWithTheirLine) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";
    for (const char* face :
         {"f 1/ 2 3\n", "f 1/1 2/ 3/1\n", "f 1// 2 3\n", "f 1/1/ 2 3\n", "f / 2 3\n", "f 1/1/1/1 2 3\n"})
        EXPECT_NE(errorFor(triangle + face).find("bad.obj:5: corner '"), std::string::npos) << face;
    EXPECT_NE(errorFor(triangle + "f 1 2 -9223372036854775808\n")
                  .find(":5: vertex index -9223372036854775808 is out of range (3 defined so far)"),
              std::string::npos);
    EXPECT_NE(errorFor(triangle + "f 1/1 2/1 3/-9223372036854775808\n")
                  .find(":5: texture coordinate index -9223372036854775808 is out of range"),
              std::string::npos);
    EXPECT_NE(
        errorFor(triangle + "f 1 2 99999999999999999999\n").find(":5: vertex index '99999999999999999999' is out"),
        std::string::npos);
    EXPECT_NE(errorFor(triangle + "f 1 2 2147483648\n").find(":5: vertex index 2147483648 is out of range"),
              std::string::npos);
    // Normal indices are checked like the others, though the normals are not read.
    EXPECT_NE(errorFor(triangle + "f 1//5 2//6 3//7\n").find(":5: normal index 5 is out of range (the file has 0"),
              std::string::npos);
    EXPECT_NE(errorFor(triangle + "f 1//-2 2//1 3//1\nvn 0 0 1\n").find(":5: normal index -2 is out of range"),
              std::string::npos);
    EXPECT_EQ(importObj(write("normals.obj", triangle + "vn 0 0 1\nf 1/1/1 2//1 3/1/-1\n")).size(), 1u);
    // Points and UVs are 32-bit floats in a mesh.
    EXPECT_NE(errorFor("v 1e39 0 0\n").find(":1: vertex coordinate '1e39' is beyond the range of 32-bit floats"),
              std::string::npos);
    EXPECT_NE(errorFor(triangle + "vt 0 1e308\n").find(":5: texture coordinate '1e308' is beyond"), std::string::npos);
    EXPECT_NE(errorFor(std::string(200, 'x') + "\n").find("unknown statement 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...'"),
              std::string::npos);
}

TEST_F(ObjFileTest, RepeatedCornersAreDroppedWhenNeighboursAndRefusedOtherwise) {
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 5 5\n";
    // A corner repeating its neighbour (also across the end of the list) is a zero-length edge.
    for (const char* face : {"f 1/1 2/2 3/3 4/4 4/5\n", "f 1/1 1/5 2/2 3/3 4/4\n", "f 1/1 2/2 3/3 4/4 1/5 1/5\n"}) {
        const std::vector<MObject> meshes = importObj(write("repeat.obj", square + face));
        const MeshData& mesh = *meshes.front().as<MeshData>();
        ASSERT_EQ(mesh.numFaceVertices(), 4) << face;
        EXPECT_EQ(mesh.numTriangles(), 2) << face;
        const std::vector<int>& uvs = mesh.uvSets()[0].faceVertexUVs;
        EXPECT_TRUE(std::all_of(uvs.begin(), uvs.end(), [&](int uv) { return mesh.uvSets()[0].u[uv] < 2.0f; }))
            << "the kept corner is the first of the repeats: " << face;
    }
    EXPECT_NE(
        errorFor(square + "f 1 2 2 1\n").find(":10: a face needs at least three different vertices, this one has 2"),
        std::string::npos);
    EXPECT_NE(errorFor(square + "f 1 2 3 1 4\n").find(":10: the face comes back to vertex 1"), std::string::npos);
    std::string cycling = "f";
    for (int corner = 0; corner < 255; ++corner)
        cycling.append(" ").append(std::to_string(corner % 4 + 1));
    EXPECT_NE(errorFor(square + cycling + "\n").find(":10: the face comes back to vertex"), std::string::npos);
}

TEST_F(ObjFileTest, LongLinesAreRefusedAtTheLimitAndShortBuffersReadTheSame) {
    std::istringstream longLine("v 0 0 0\n# " + std::string(100, 'c') + "\nf 1 1 1\n");
    try {
        readObj(longLine, "stream.obj", 64);
        ADD_FAILURE() << "a line over the limit was read";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "stream.obj:2: a line longer than 64 bytes (this is not a text mesh file)");
    }
    EXPECT_NE(errorFor(std::string(100, 'v')).find("unknown statement"), std::string::npos) << "no newline at the end";
    try {
        importObj("/dev/zero");
        ADD_FAILURE() << "an endless line was read";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "/dev/zero:1: a line longer than 64 MB (this is not a text mesh file)");
    }

    // A buffer little longer than the longest line refills every few lines.
    const std::string spot = VARNELLE_TEST_DATA "/spot.obj";
    std::ifstream file(spot, std::ios::binary);
    const MObject tight = readObj(file, spot, 40).front();
    const MObject whole = importObj(spot).front();
    const MeshData &a = *tight.as<MeshData>(), &b = *whole.as<MeshData>();
    EXPECT_EQ(a.numPolygons(), b.numPolygons());
    ASSERT_EQ(a.numVertices(), b.numVertices());
    for (int vertex = 0; vertex < a.numVertices(); ++vertex)
        EXPECT_EQ(a.points()[vertex].x, b.points()[vertex].x);
    EXPECT_EQ(a.uvSets()[0].u, b.uvSets()[0].u);
    EXPECT_EQ(a.uvSets()[0].faceVertexUVs, b.uvSets()[0].faceVertexUVs);
}

TEST_F(ObjFileTest, WritesAtomicallyAndNeverOverTheInput) {
    const std::string input = write("in.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                              "f 1/1 2/2 3/3 4/4\n");
    const std::vector<MObject> meshes = importObj(input);
    EXPECT_THROW(exportObj(input, meshes, input), FileError);
    EXPECT_THROW(exportObj((folder_ / "." / "in.obj").string(), meshes, input), FileError);

    const std::string output = (folder_ / "out.obj").string();
    exportObj(output, meshes, input);
    const std::vector<MObject> reread = importObj(output);
    const MeshData& again = *reread.front().as<MeshData>();
    EXPECT_EQ(again.numPolygons(), 1);
    EXPECT_EQ(again.uvSets()[0].u, (std::vector<float>{0, 1, 1, 0}));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_))
        ++files;
    EXPECT_EQ(files, 2u); // no temporary left behind

    EXPECT_THROW(exportObj((folder_ / "no_such_folder" / "out.obj").string(), meshes), FileError);
}
