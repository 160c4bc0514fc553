#include "preview/BusyAnimation.h"

#include "preview/BusyImages.h"
#include "preview/PngImage.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace {

// The cut frames with one ready flag each: a frame is written before its flag is set
// (release) and read only after the flag was seen set (acquire).
class AnimationFrames {
public:
    ~AnimationFrames() { wait(); }

    void prepare() {
        std::call_once(started_, [this] { cutter_ = std::thread([this] { cut(); }); });
    }

    const PixelCanvas* frame(int index) const {
        if (index < 0 || index >= busyFrameCount || !ready_[index].load(std::memory_order_acquire)) return nullptr;
        return &frames_[index];
    }

    void wait() {
        std::lock_guard lock(joinMutex_);
        if (cutter_.joinable()) cutter_.join();
    }

private:
    void cut() {
        PixelCanvas sheet;
        std::string problem;
        if (!decodePng(busySheetPng, busySheetPngSize, sheet, problem)) {
            std::fprintf(stderr, "varnelle: the busy animation cannot be decoded: %s\n", problem.c_str());
            return;
        }
        const int columns = sheet.width / busyFrameSide, rows = sheet.height / busyFrameSide;
        for (int column = 0; column < columns; ++column) {
            for (int row = 0; row < rows; ++row) {
                const int index = row * columns + column;
                if (index >= busyFrameCount) continue;
                cutFrame(sheet, column * busyFrameSide, row * busyFrameSide, frames_[index]);
                ready_[index].store(true, std::memory_order_release);
            }
        }
    }

    static void cutFrame(const PixelCanvas& sheet, int left, int top, PixelCanvas& frame) {
        frame = PixelCanvas(busyFrameSide, busyFrameSide);
        for (int y = 0; y < busyFrameSide; ++y)
            for (int x = 0; x < busyFrameSide; ++x)
                frame.pixels[size_t(y) * busyFrameSide + x] = sheet.at(left + x, top + y);
    }

    std::array<PixelCanvas, busyFrameCount> frames_;
    std::array<std::atomic<bool>, busyFrameCount> ready_{};
    std::once_flag started_;
    std::mutex joinMutex_;
    std::thread cutter_;
};

AnimationFrames& animationFrames() {
    static AnimationFrames frames;
    return frames;
}

} // namespace

void prepareBusyAnimation() {
    animationFrames().prepare();
}

const PixelCanvas* busyFrame(int index) {
    return animationFrames().frame(index);
}

void waitForBusyAnimation() {
    animationFrames().prepare();
    animationFrames().wait();
}

const PixelCanvas& busyLogo() {
    static const PixelCanvas logo = [] {
        PixelCanvas decoded;
        std::string problem;
        if (!decodePng(busyLogoPng, busyLogoPngSize, decoded, problem))
            std::fprintf(stderr, "varnelle: the busy logo cannot be decoded: %s\n", problem.c_str());
        return decoded;
    }();
    return logo;
}
