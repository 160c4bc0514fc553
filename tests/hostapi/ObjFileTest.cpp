#include "hostapi/ObjFile.h"
#include "hostapi/MFnMesh.h"
#include "hostapi/MeshData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST_F(ObjFileTest, KeepsIsolatedVerticesOfASingleObject) {
    const std::string path = write("one.obj", "v 0 0 0\nv 1 0 0\nv 9 9 9\nv 0 1 0\nf 1 2 4\n");
    const std::vector<MObject> meshes = importObj(path);
    const MeshData& mesh = *meshes.front().as<MeshData>();
    EXPECT_EQ(mesh.numVertices(), 4);
    EXPECT_EQ(mesh.currentUVSet(), -1);
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
