// The real windows on an X display (the test runs under a private Xvfb), read back from the
// screen through an X connection of the test's own, as a user would see them.
#include "PreviewChecks.h"
#include "PreviewLayouts.h"
#include "XScreen.h"

#include "preview/BusyAnimation.h"
#include "preview/BusyWindow.h"
#include "preview/DisplayConnection.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewWindow.h"
#include "preview/ProgressWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <thread>

namespace {

using namespace std::chrono_literals;
const char* const previewTitle = "Varnelle Unwrap Preview";
const char* const busyTitle = "Varnelle";

class Windows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string problem;
        ASSERT_TRUE(openDisplay(problem)) << "no display: " << problem;
    }
    static void TearDownTestSuite() {
        ProgressWindow::setDisplay(ProgressDisplay::Silent);
        closeDisplay();
    }
    void SetUp() override { ASSERT_TRUE(screen_.connected()); }

    // Repeats `grab` until `matches` accepts the picture, for up to ten seconds.
    static bool eventually(const std::function<bool()>& matches) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (matches()) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    XScreen screen_;
};

// Shows the preview window on this (the main) thread while `user` looks at it from another
// thread; the user must close it.
void showWhile(const PreviewRender& render, const std::function<void()>& user) {
    std::thread userThread(user);
    showPreviewWindow(render);
    userThread.join();
}

TEST_F(Windows, PreviewOpensCentredShowsTheTileGridAndKeepsTheSquareCentredWhenWide) {
    const PreviewRender render = previewtest::quadGrid(1, 1024, 3);
    showWhile(render, [&] {
        XScreen::Window window = screen_.waitForWindow(previewTitle, 20s);
        ASSERT_TRUE(window);
        // No window manager: no frame, so the client is the screen's height less 2 x 20.
        const int side = screen_.screenHeight() - 40;
        EXPECT_EQ(window.width, side);
        EXPECT_EQ(window.height, side);
        EXPECT_EQ(window.y, 20);
        EXPECT_EQ(window.x, (screen_.screenWidth() - side) / 2);
        const PixelCanvas expected = renderPreview(render, window.width, window.height);
        PixelCanvas shown;
        EXPECT_TRUE(eventually([&] { return (shown = screen_.grab(window)).pixels == expected.pixels; }))
            << "the window shows the image file's pixels";
        previewtest::expectTilesWithUnitLayoutInBottomLeftCell(shown, fitSquare(shown.width, shown.height), 3);

        screen_.resize(window, 900, 500);
        EXPECT_TRUE(eventually([&] {
            shown = screen_.grab(window);
            return shown.width == 900 && shown.height == 500 && shown.pixels == renderPreview(render, 900, 500).pixels;
        }));
        const PreviewSquare square = fitSquare(900, 500);
        EXPECT_EQ(square.offsetX, 200);
        previewtest::expectGreyBars(shown, square);
        previewtest::expectTilesWithUnitLayoutInBottomLeftCell(shown, square, 3);

        screen_.pressEscape(window);
        if (!screen_.waitUntilGone(previewTitle, 10s)) {
            ADD_FAILURE() << "Escape did not close the preview";
            screen_.clickCloseBox(window);
        }
    });
}

TEST_F(Windows, PreviewOfQuadsShowsNoDiagonalsAndClosesOnTheCloseBox) {
    const PreviewRender render = previewtest::quadGrid(6, 1024, 1);
    showWhile(render, [&] {
        XScreen::Window window = screen_.waitForWindow(previewTitle, 20s);
        ASSERT_TRUE(window);
        screen_.resize(window, 420, 640);
        PixelCanvas shown;
        EXPECT_TRUE(eventually([&] {
            shown = screen_.grab(window);
            return shown.width == 420 && shown.pixels == renderPreview(render, 420, 640).pixels;
        }));
        const PreviewSquare square = fitSquare(420, 640);
        previewtest::expectGreyBars(shown, square);
        previewtest::expectQuadsWithoutDiagonals(shown, square, 6);
        screen_.clickCloseBox(window);
        EXPECT_TRUE(screen_.waitUntilGone(previewTitle, 10s));
    });
}

// Which animation frame the busy window shows, or -1 for none of them.
class FrameIdentifier {
public:
    FrameIdentifier() {
        waitForBusyAnimation();
        for (int index = 0; index < busyFrameCount; ++index) {
            const PixelCanvas* frame = busyFrame(index);
            if (frame) frames_.emplace(frame->pixels, index);
        }
    }
    size_t count() const { return frames_.size(); }
    int identify(const PixelCanvas& window) const {
        if (window.width < busyFrameSide + 1 || window.height < busyFrameSide + 1) return -1;
        std::vector<uint32_t> pixels(size_t(busyFrameSide) * busyFrameSide);
        for (int y = 0; y < busyFrameSide; ++y)
            for (int x = 0; x < busyFrameSide; ++x)
                pixels[size_t(y) * busyFrameSide + x] = window.at(busylayout::border + x, busylayout::border + y);
        const auto found = frames_.find(pixels);
        return found == frames_.end() ? -1 : found->second;
    }

private:
    std::map<std::vector<uint32_t>, int> frames_;
};

TEST_F(Windows, BusyAnimationRunsInOrderWhileTheMainThreadIsBlockedAndWrapsToFrameZero) {
    const FrameIdentifier frames;
    ASSERT_EQ(frames.count(), size_t(busyFrameCount)) << "80 different frames";
    ProgressWindow::setDisplay(ProgressDisplay::Window);
    std::atomic<bool> blocked{true};
    std::vector<int> seen;
    PixelCanvas first;
    ProgressWindow::start("Unwrapping");
    std::thread watcher([&] {
        XScreen::Window window = screen_.waitForWindow(busyTitle, 20s);
        ASSERT_TRUE(window);
        EXPECT_EQ(window.width, busylayout::windowWidth);
        EXPECT_EQ(window.height, busylayout::windowHeight);
        EXPECT_EQ(window.x, (screen_.screenWidth() - window.width) / 2);
        EXPECT_EQ(window.y, (screen_.screenHeight() - window.height) / 2);
        while (blocked) {
            const PixelCanvas shown = screen_.grab(window);
            const int frame = frames.identify(shown);
            if (frame >= 0 && (seen.empty() || seen.back() != frame)) seen.push_back(frame);
            if (first.pixels.empty() && frame >= 0) first = shown;
            std::this_thread::sleep_for(4ms);
        }
    });
    // The main thread is busy, as in an unwrap: it handles no window events meanwhile.
    std::this_thread::sleep_for(4500ms);
    blocked = false;
    watcher.join();
    ProgressWindow::stop();

    ASSERT_GE(seen.size(), 10u);
    EXPECT_LE(seen.front(), 10) << "the animation starts at frame 0";
    int progressed = 0, wraps = 0;
    for (size_t i = 1; i < seen.size(); ++i) {
        const int step = (seen[i] - seen[i - 1] + busyFrameCount) % busyFrameCount;
        EXPECT_TRUE(step >= 1 && step <= 10) << "frame " << seen[i - 1] << " followed by " << seen[i];
        progressed += step;
        wraps += seen[i] < seen[i - 1];
    }
    EXPECT_GE(progressed, busyFrameCount) << "frames 0 to 79 were shown, then 0 again";
    EXPECT_GE(wraps, 1);

    // The logo right of the animation (its last column is cut by the window's border).
    const PixelCanvas& logo = busyLogo();
    int logoDifferences = 0;
    for (int y = 0; y < logo.height; ++y)
        for (int x = 0; x < busylayout::clientWidth - busylayout::logoX; ++x)
            logoDifferences +=
                first.at(busylayout::border + busylayout::logoX + x, busylayout::border + y) != logo.at(x, y);
    EXPECT_EQ(logoDifferences, 0);
}

// Dark pixels of the status line: the text.
int statusInk(const PixelCanvas& shown) {
    using namespace busylayout;
    int ink = 0;
    for (int y = border + textY; y < border + textY + textHeight; ++y)
        for (int x = border + textX; x < border + textX + textWidth; ++x)
            ink += (shown.at(x, y) & 0xFF) < 128;
    return ink;
}

TEST_F(Windows, BusyWindowShowsEachStageTextAndStoppingTwiceIsHarmless) {
    ProgressWindow::setDisplay(ProgressDisplay::Window);
    ProgressWindow::start("Unwrapping");
    ProgressWindow::start("Unwrapping"); // a second start replaces the first window
    XScreen::Window window = screen_.waitForWindow(busyTitle, 20s);
    ASSERT_TRUE(window);
    PixelCanvas before;
    ASSERT_TRUE(eventually([&] { return statusInk(before = screen_.grab(window)) > 20; }));
    ProgressWindow::setText("Generating UV set");
    EXPECT_EQ(ProgressWindow::text(), "Generating UV set");
    PixelCanvas after;
    EXPECT_TRUE(eventually([&] { return statusInk(after = screen_.grab(window)) > statusInk(before) + 20; }))
        << "the longer text shows at once";
    ProgressWindow::stop();
    EXPECT_FALSE(ProgressWindow::active());
    EXPECT_EQ(ProgressWindow::text(), "");
    ProgressWindow::stop();
    EXPECT_TRUE(screen_.waitUntilGone(busyTitle, 10s));
}

} // namespace
