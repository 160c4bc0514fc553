#include "apps/varnelle/CommandLine.h"
#include "apps/varnelle/PreviewOptions.h"
#include "apps/varnelle/Subcommands.h"
#include "hostapi/AtomicFile.h"
#include "preview/PngImage.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"
#include "tests/preview/PreviewChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class PreviewCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("varnelle-preview-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const char* name) const { return (folder_ / name).string(); }

    // A 2 x 2 grid of quads whose UVs cover [0, 1]^2, in the file `name`.
    std::string writeQuadGrid(const char* name) const {
        std::ofstream file(path(name));
        for (int j = 0; j <= 2; ++j)
            for (int i = 0; i <= 2; ++i)
                file << "v " << i << ' ' << j << " 0\nvt " << i / 2.0 << ' ' << j / 2.0 << '\n';
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 2; ++i) {
                const int a = j * 3 + i + 1, b = a + 1, c = a + 4, d = a + 3;
                file << "f " << a << '/' << a << ' ' << b << '/' << b << ' ' << c << '/' << c << ' ' << d << '/' << d
                     << '\n';
            }
        }
        return path(name);
    }

    std::filesystem::path folder_;
};

TEST_F(PreviewCommand, DrawsAnExistingQuadLayoutWithoutDiagonalsOnTheChosenTiles) {
    const std::string mesh = writeQuadGrid("grid.obj");
    std::ostringstream out;
    ASSERT_EQ(runPreview({mesh, "--png", path("one.png"), "--preview-size", "201"}, out), 0);
    const PixelCanvas one = readPng(path("one.png"));
    ASSERT_EQ(one.width, 201);
    previewtest::expectQuadsWithoutDiagonals(one, fitSquare(201, 201), 2);

    ASSERT_EQ(runPreview({mesh, "--tiles", "3", "--quiet", "--png", path("three.png"), "--preview-size", "301"}, out),
              0);
    const PixelCanvas three = readPng(path("three.png"));
    previewtest::expectTilesWithUnitLayoutInBottomLeftCell(three, fitSquare(301, 301), 3);
    EXPECT_FALSE(ProgressWindow::active());
}

TEST_F(PreviewCommand, RefusesBadCommandLinesMeshesWithoutUVsAndOverwritingTheInput) {
    const std::string mesh = writeQuadGrid("grid.obj");
    std::ostringstream out;
    EXPECT_THROW(runPreview({mesh}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png"}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", path("a.png"), "--tiles", "0"}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", path("a.png"), "--preview-size", "12x"}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", path("a.png"), "--preview-size", "100000"}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", path("a.png"), "--preview", path("b.png")}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", path("a.png"), "-st", "0.2"}, out), UsageError);
    EXPECT_THROW(runPreview({mesh, "--png", mesh}, out), FileError);
    EXPECT_THROW(runPreview({path("missing.obj"), "--png", path("a.png")}, out), FileError);
    EXPECT_FALSE(std::filesystem::exists(path("a.png")));
    { std::ofstream(path("plain.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"; }
    EXPECT_EQ(runPreview({path("plain.obj"), "--png", path("a.png")}, out), 1);
    EXPECT_FALSE(std::filesystem::exists(path("a.png")));
    EXPECT_FALSE(ProgressWindow::active()) << "the indicator is closed on every way out";
}

TEST_F(PreviewCommand, WindowWithoutADisplayIsAClearErrorNotAWindowNobodySees) {
    const std::string mesh = writeQuadGrid("grid.obj");
    // No display of either kind for this test; the caller's come back afterwards.
    std::vector<std::pair<const char*, std::string>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        unsetenv(name);
    }
    std::ostringstream out;
    try {
        runPreview({mesh, "--window"}, out);
        ADD_FAILURE() << "no UsageError";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find("--window needs a display"), std::string::npos) << error.what();
    }
    for (const auto& [name, value] : saved)
        setenv(name, value.c_str(), 1);
}

TEST_F(PreviewCommand, OptionsAreTakenOutForTheUnwrapAndTheSessionWritesItsLayoutAsAnImage) {
    std::vector<std::string> words{"-t", "1",    "--preview", path("layout.png"), "--quiet", "--preview-size",
                                   "64", "-pad", "2"};
    const PreviewOptions options = takePreviewOptions(words);
    EXPECT_EQ(words, (std::vector<std::string>{"-t", "1", "-pad", "2"}));
    EXPECT_EQ(options.previewPath, path("layout.png"));
    EXPECT_EQ(options.previewSize, 64);
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.window);
    std::vector<std::string> dangling{"--preview-size"};
    EXPECT_THROW(takePreviewOptions(dangling), UsageError);

    {
        const PreviewSession session(options, {});
        EXPECT_EQ(ProgressWindow::display(), ProgressDisplay::Silent);
        PreviewRender render(1024, 1024, 2);
        showPreview(render); // what the unwrap does with its finished layout
    }
    EXPECT_EQ(readPng(path("layout.png")).width, 64);
    std::filesystem::remove(path("layout.png"));
    PreviewRender render(1024, 1024, 1);
    showPreview(render);
    EXPECT_FALSE(std::filesystem::exists(path("layout.png"))) << "the session's presenter is gone with it";
}

} // namespace
