#include "preview/BusyAnimation.h"
#include "preview/BusyImages.h"
#include "preview/FrameTimer.h"
#include "preview/PngImage.h"
#include "preview/TerminalProgress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(FrameTimer, TicksWhileTheCallerIsBlockedAndStopWaitsForARunningTick) {
    FrameTimer timer;
    std::atomic<int> ticks{0};
    std::atomic<bool> inside{false}, finished{false};
    timer.start(10ms, [&] {
        if (++ticks == 5) {
            inside = true;
            std::this_thread::sleep_for(150ms);
            finished = true;
        }
    });
    std::this_thread::sleep_for(30ms); // busy: the ticks come from the timer's thread
    while (!inside)
        std::this_thread::sleep_for(1ms);
    timer.stop();
    EXPECT_TRUE(finished) << "stop returned while a tick was running";
    const int stoppedAt = ticks;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, stoppedAt) << "no tick after stop";
    timer.stop();
    EXPECT_FALSE(timer.running());
}

TEST(BusyAnimation, FramesAreTheSheetsTilesReadRowByRowAndAllDiffer) {
    waitForBusyAnimation();
    PixelCanvas sheet;
    std::string problem;
    ASSERT_TRUE(decodePng(busySheetPng, busySheetPngSize, sheet, problem)) << problem;
    ASSERT_EQ(sheet.width, 2000);
    ASSERT_EQ(sheet.height, 1600);
    std::set<std::vector<uint32_t>> distinct;
    for (int index = 0; index < busyFrameCount; ++index) {
        const PixelCanvas* frame = busyFrame(index);
        ASSERT_NE(frame, nullptr) << index;
        ASSERT_EQ(frame->width, busyFrameSide);
        const int left = index % 10 * 200, top = index / 10 * 200;
        EXPECT_EQ(frame->at(0, 0), sheet.at(left, top));
        EXPECT_EQ(frame->at(199, 123), sheet.at(left + 199, top + 123));
        distinct.insert(frame->pixels);
    }
    EXPECT_EQ(distinct.size(), size_t(busyFrameCount));
    EXPECT_EQ(busyFrame(busyFrameCount), nullptr);
    EXPECT_EQ(busyFrame(-1), nullptr);
    EXPECT_EQ(busyLogo().width, 200);
    EXPECT_EQ(busyLogo().height, 200);
}

// What the terminal indicator wrote into a scratch file.
std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text.push_back(char(c));
    return text;
}

TEST(TerminalProgress, SpinsInOrderWhileTheCallerIsBlockedKeepsNotesApartAndErasesItself) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        TerminalProgress progress(file);
        progress.start("Unwrapping");
        std::this_thread::sleep_for(700ms); // blocked, as in an unwrap
        progress.setText("Generating UV set");
        progress.printLine("Notification: Unknown unwrap type");
        progress.stop();
        progress.stop();
    }
    const std::string text = contents(file);
    std::fclose(file);
    // Spinner glyphs of the "Unwrapping" lines, in the order drawn.
    std::string glyphs;
    for (size_t at = text.find(" Unwrapping"); at != std::string::npos; at = text.find(" Unwrapping", at + 1))
        glyphs.push_back(text[at - 1]);
    ASSERT_GE(glyphs.size(), 3u) << text;
    const std::string cycle = "|/-\\|/-\\|/-\\|/-\\|/-\\|/-\\|/-\\|";
    EXPECT_EQ(cycle.rfind(glyphs, 0), 0u) << "glyphs in order from the first: " << glyphs;
    const size_t stage = text.find(" Generating UV set");
    ASSERT_NE(stage, std::string::npos);
    EXPECT_EQ(text.substr(stage - 6, 5), "\r\033[2K") << "the new text replaces the line at once";
    // The note is a line of its own, the indicator drawn again below it, then erased.
    EXPECT_NE(text.find("Generating UV set\r\033[2KNotification: Unknown unwrap type\n\r\033[2K"), std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 5), "\r\033[2K");
}

} // namespace
