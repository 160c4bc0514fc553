// Draws the busy window's pictures (the 80-frame animation sheet and the logo) and writes
// them as PNG bytes into a C++ source file that the program links: `MakeBusyImages OUT.cpp`.
//
// The animation shows a UV tile being packed: eight charts drop into place one after
// another (eight frames each), then a gleam sweeps over the finished tile; a bar below
// grows by one step per frame, so no two frames are alike.
#include "hostapi/AtomicFile.h"
#include "preview/PixelCanvas.h"
#include "preview/PngImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int frameSide = 200, columns = 10, rows = 8, frameCount = columns * rows;
constexpr uint32_t face = rgb(240, 240, 240);

struct Colour {
    double r, g, b;
};

Colour colourOf(uint32_t word) {
    return {double(word >> 16 & 255), double(word >> 8 & 255), double(word & 255)};
}

uint32_t wordOf(Colour c) {
    auto channel = [](double value) { return uint32_t(std::clamp(std::lround(value), 0l, 255l)); };
    return rgb(channel(c.r), channel(c.g), channel(c.b));
}

// Mixes `colour` over the pixel with the given opacity.
void blend(PixelCanvas& canvas, int x, int y, Colour colour, double opacity) {
    if (!canvas.contains(x, y) || opacity <= 0.0) return;
    uint32_t& pixel = canvas.pixels[size_t(y) * canvas.width + x];
    const Colour under = colourOf(pixel);
    pixel = wordOf({under.r + (colour.r - under.r) * opacity, under.g + (colour.g - under.g) * opacity,
                    under.b + (colour.b - under.b) * opacity});
}

// An axis-aligned rectangle with fractional edges; edge pixels are covered by their overlap.
void fillRect(PixelCanvas& canvas, double left, double top, double right, double bottom, Colour colour,
              double opacity = 1.0) {
    for (int y = int(std::floor(top)); y < int(std::ceil(bottom)); ++y) {
        const double coverY = std::min<double>(bottom, y + 1) - std::max<double>(top, y);
        for (int x = int(std::floor(left)); x < int(std::ceil(right)); ++x) {
            const double coverX = std::min<double>(right, x + 1) - std::max<double>(left, x);
            blend(canvas, x, y, colour, opacity * coverX * coverY);
        }
    }
}

// One chart of the packed tile, in units of 8 pixels inside the tile.
struct Chart {
    double x, y, w, h;
    Colour colour;
};

const Chart charts[] = {
    {0.5, 0.5, 9.0, 6.0, {38, 166, 154}},   {10.0, 0.5, 8.5, 4.0, {239, 138, 61}},
    {10.0, 5.0, 4.0, 6.5, {149, 117, 205}}, {14.5, 5.0, 4.0, 4.0, {102, 187, 106}},
    {0.5, 7.0, 5.0, 11.5, {236, 99, 140}},  {6.0, 7.0, 3.5, 5.0, {240, 200, 70}},
    {6.0, 12.5, 6.0, 6.0, {66, 145, 230}},  {12.5, 12.0, 6.0, 6.5, {220, 80, 70}},
};
constexpr double tileLeft = 24, tileTop = 16, tileSide = 152, unit = 8;
constexpr int framesPerChart = 8;

void drawTile(PixelCanvas& frame) {
    fillRect(frame, tileLeft, tileTop, tileLeft + tileSide, tileTop + tileSide, {34, 38, 46});
    for (int i = 1; i < 4; ++i) {
        const double at = i * tileSide / 4;
        fillRect(frame, tileLeft + at, tileTop, tileLeft + at + 1, tileTop + tileSide, {56, 62, 76});
        fillRect(frame, tileLeft, tileTop + at, tileLeft + tileSide, tileTop + at + 1, {56, 62, 76});
    }
}

// Chart `index` at frame `step`: not yet there, falling in with an ease-out, or in place.
void drawChart(PixelCanvas& frame, int index, int step) {
    const int arrival = index * framesPerChart;
    if (step < arrival) return;
    const double t = std::min(1.0, (step - arrival + 1) / double(framesPerChart));
    const double fall = (1.0 - t) * (1.0 - t) * (1.0 - t) * 170.0;
    const Chart& chart = charts[index];
    const double left = tileLeft + chart.x * unit, top = tileTop + chart.y * unit - fall;
    fillRect(frame, left, top, left + chart.w * unit, top + chart.h * unit, chart.colour);
    fillRect(frame, left, top, left + chart.w * unit, top + 2, {255, 255, 255}, 0.25);
}

// The gleam over the finished tile: a diagonal band moving from top-left to bottom-right.
void drawGleam(PixelCanvas& frame, int step) {
    const int start = std::size(charts) * framesPerChart;
    if (step < start) return;
    const double centre = -40.0 + (step - start) * (2 * tileSide + 80.0) / (frameCount - start - 1);
    for (int y = int(tileTop); y < int(tileTop + tileSide); ++y) {
        for (int x = int(tileLeft); x < int(tileLeft + tileSide); ++x) {
            const double distance = std::abs((x - tileLeft) + (y - tileTop) - centre);
            blend(frame, x, y, {255, 255, 255}, 0.45 * std::max(0.0, 1.0 - distance / 18.0));
        }
    }
}

void drawProgressBar(PixelCanvas& frame, int step) {
    const double top = 178, bottom = 184;
    fillRect(frame, tileLeft, top, tileLeft + tileSide, bottom, {208, 210, 216});
    fillRect(frame, tileLeft, top, tileLeft + tileSide * (step + 1) / frameCount, bottom, {38, 120, 170});
}

PixelCanvas drawFrame(int step) {
    PixelCanvas frame(frameSide, frameSide, face);
    drawTile(frame);
    for (int index = 0; index < int(std::size(charts)); ++index)
        drawChart(frame, index, step);
    drawGleam(frame, step);
    drawProgressBar(frame, step);
    return frame;
}

PixelCanvas drawSheet() {
    PixelCanvas sheet(columns * frameSide, rows * frameSide, face);
    for (int step = 0; step < frameCount; ++step) {
        const PixelCanvas frame = drawFrame(step);
        const int left = step % columns * frameSide, top = step / columns * frameSide;
        for (int y = 0; y < frameSide; ++y)
            std::copy_n(frame.pixels.begin() + y * frameSide, frameSide,
                        sheet.pixels.begin() + size_t(top + y) * sheet.width + left);
    }
    return sheet;
}

// Inside the logo's rounded square (16..184, corner radius 28)?
bool inRoundedSquare(double x, double y) {
    const double low = 16, high = 184, radius = 28;
    const double cx = std::clamp(x, low + radius, high - radius), cy = std::clamp(y, low + radius, high - radius);
    return x >= low && x <= high && y >= low && y <= high && std::hypot(x - cx, y - cy) <= radius;
}

// Inside the logo's "V" (even-odd rule)?
bool inLetter(double x, double y) {
    static const double points[][2] = {{50, 52}, {78, 52}, {100, 118}, {122, 52}, {150, 52}, {113, 150}, {87, 150}};
    bool inside = false;
    const int count = int(std::size(points));
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const double* a = points[i];
        const double* b = points[j];
        if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0]) inside = !inside;
    }
    return inside;
}

// The logo: a white "V" on a blue rounded tile with a faint grid, 4 x 4 samples per pixel.
// The last column stays the dialog's face: the window shows the logo one pixel narrower.
PixelCanvas drawLogo() {
    PixelCanvas logo(frameSide, frameSide, face);
    constexpr int samples = 4;
    for (int y = 0; y < frameSide; ++y) {
        for (int x = 0; x < frameSide - 1; ++x) {
            int tile = 0, letter = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double px = x + (sx + 0.5) / samples, py = y + (sy + 0.5) / samples;
                    tile += inRoundedSquare(px, py);
                    letter += inLetter(px, py);
                }
            }
            const double t = y / double(frameSide);
            Colour tileColour{40 - 10 * t, 130 - 70 * t, 170 - 40 * t};
            if ((x - 16) % 42 == 0 || (y - 16) % 42 == 0)
                tileColour = {tileColour.r + 14, tileColour.g + 14, tileColour.b + 14};
            blend(logo, x, y, tileColour, tile / double(samples * samples));
            blend(logo, x, y, {255, 255, 255}, letter / double(samples * samples));
        }
    }
    return logo;
}

void writeArray(std::ostream& out, const char* name, const std::vector<unsigned char>& bytes) {
    out << "const unsigned char " << name << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i)
        out << (i % 24 == 0 ? "\n" : "") << unsigned(bytes[i]) << ',';
    out << "\n};\nconst size_t " << name << "Size = " << bytes.size() << ";\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeBusyImages OUT.cpp\n");
        return 2;
    }
    try {
        const std::vector<unsigned char> sheet = encodePng(drawSheet());
        const std::vector<unsigned char> logo = encodePng(drawLogo());
        writeFileAtomically(argv[1], [&](std::ostream& out) {
            out << "// Made by preview/assets/MakeBusyImages.cpp; do not edit.\n#include \"preview/BusyImages.h\"\n\n";
            writeArray(out, "busySheetPng", sheet);
            writeArray(out, "busyLogoPng", logo);
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "MakeBusyImages: %s\n", error.what());
        return 1;
    }
    return 0;
}
