#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "hostapi/M3dView.h"
#include "preview/PngImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class HostCommand : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-shell-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
        M3dView::setApplicationShell(1);
    }
    void TearDown() override {
        M3dView::setApplicationShell(0);
        std::filesystem::remove_all(folder_);
    }

    // Runs a script and returns its exit code; its output and errors are kept.
    int run(const std::string& script) {
        const std::string path = (folder_ / "script.txt").string();
        std::ofstream(path) << script;
        std::ostringstream out;
        testing::internal::CaptureStderr();
        const int code = runHost({path, "--quiet"}, out);
        errors_ = testing::internal::GetCapturedStderr();
        output_ = out.str();
        return code;
    }

    std::string path(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
    std::string output_, errors_;
};

bool hasGreen(const PixelCanvas& canvas) {
    return std::find(canvas.pixels.begin(), canvas.pixels.end(), rgb(0, 255, 0)) != canvas.pixels.end();
}

} // namespace

TEST_F(HostCommand, ScriptUnwrapsChangesUndoesAndDrawsTheSeams) {
    const std::string mesh = VARNELLE_TEST_DATA "/spot_quadrangulated.obj";
    ASSERT_EQ(run("# a comment\n"
                  "loadPlugin varnelle\n"
                  "file -import \"" +
                  mesh +
                  "\"\n"
                  "select spot_quadrangulated\n"
                  "\n"
                  "varnelleDemo -t 1 -ks 1\n"
                  "viewFit\n"
                  "refresh -panels \"" +
                  path("panels") +
                  "\" -size 160 120\n"
                  "getAttr varnelleDemo_node1.Skip_compute\n"
                  "setAttr varnelleDemo_node1.Unwrap_Type 2\n"
                  "getAttr varnelleDemo_node1.Unwrap_Type\n"
                  "undo\n"
                  "getAttr varnelleDemo_node1.Unwrap_Type\n"
                  "undo\n"
                  "ls -type varnelleDemo_node\n"
                  "redo\n"
                  "ls -type varnelleDemo_node\n"
                  "save \"" +
                  path("scene.vscene") + "\"\n"),
              0)
        << errors_;
    EXPECT_EQ(output_, "varnelle\nspot_quadrangulated\n1\n2\n1\nvarnelleDemo_node1\n");
    for (const char* panel : {"modelPanel1", "modelPanel2", "modelPanel3", "modelPanel4"}) {
        const PixelCanvas canvas = readPng((folder_ / "panels" / (std::string(panel) + ".png")).string());
        EXPECT_EQ(canvas.width, 160);
        EXPECT_EQ(canvas.height, 120);
        EXPECT_TRUE(hasGreen(canvas)) << panel << " shows the kept seams";
    }

    // The saved scene opens with the node, its settings and the connection into the mesh.
    ASSERT_EQ(run("open \"" + path("scene.vscene") +
                  "\"\n"
                  "getAttr varnelleDemo_node1.Mesh_path\n"
                  "getAttr varnelleDemo_node1.Keep_Borders\n"
                  "ls -type mesh\n"
                  "file -export \"" +
                  path("out.obj") + "\"\n"),
              0)
        << errors_;
    EXPECT_EQ(output_, "|spot_quadrangulated|spot_quadrangulatedShape\n1\n"
                       "spot_quadrangulatedShape\nspot_quadrangulatedShape1\n");
    EXPECT_TRUE(std::filesystem::exists(path("out.obj")));
}

TEST_F(HostCommand, AFailingLineStopsTheScriptAndIsNamed) {
    EXPECT_EQ(run("loadPlugin varnelle\nselect persp\nsetAttr persp.tx oops\nls\n"), 1);
    EXPECT_EQ(output_, "varnelle\n") << "nothing after the failing line runs";
    EXPECT_EQ(errors_,
              "varnelle host: " + path("script.txt") + ":3: setAttr: persp.tx: a number was expected, not 'oops'\n");

    EXPECT_EQ(run("varnelleDemo\n"), 1);
    EXPECT_NE(errors_.find(":1: varnelleDemo: Cannot find procedure \"varnelleDemo\"."), std::string::npos)
        << "the command needs the plug-in: " << errors_;
    EXPECT_EQ(run("loadPlugin varnelle\nvarnelleDemo -t 1\n"), 1);
    EXPECT_NE(errors_.find(":2: varnelleDemo: the command failed"), std::string::npos) << errors_;
    EXPECT_EQ(run("loadPlugin varnelle\nvarnelleDemo -w wide\n"), 1);
    EXPECT_NE(errors_.find(":2: varnelleDemo: "), std::string::npos) << errors_;
    EXPECT_EQ(run("loadPlugin nothing\n"), 1);
    EXPECT_NE(errors_.find(":1: loadPlugin: Plug-in not found: nothing"), std::string::npos) << errors_;
    EXPECT_EQ(run("undo\nls -type mesh\n"), 0) << "an empty undo queue is a warning";

    std::ostringstream out;
    EXPECT_THROW(runHost({path("missing.txt")}, out), FileError);
    EXPECT_THROW(runHost({"a.txt", "b.txt"}, out), UsageError);
}
