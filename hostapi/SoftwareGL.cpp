#include "SoftwareGL.h"

#include "SegmentClipping.h"

#include <algorithm>
#include <cmath>

namespace {

// Homogeneous clip coordinates of a point.
struct Clip {
    double x, y, w;
};

Clip toClip(const double p[3], const MMatrix& modelView, const MMatrix& projection) {
    const MMatrix m = modelView * projection;
    return {p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0],
            p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1],
            p[0] * m[0][3] + p[1] * m[1][3] + p[2] * m[2][3] + m[3][3]};
}

// Cuts the segment to the part in front of the eye (w at least a small positive amount).
bool clipNear(Clip& a, Clip& b) {
    constexpr double kNear = 1e-4;
    if (a.w < kNear && b.w < kNear) return false;
    if (a.w >= kNear && b.w >= kNear) return true;
    Clip& behind = a.w < kNear ? a : b;
    const Clip& front = a.w < kNear ? b : a;
    const double t = (kNear - behind.w) / (front.w - behind.w);
    behind = {behind.x + (front.x - behind.x) * t, behind.y + (front.y - behind.y) * t, kNear};
    return true;
}

void plot(PanelImage& image, int64_t x, int64_t y, uint32_t colour) {
    if (x >= 0 && y >= 0 && x < image.width && y < image.height)
        image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] = colour;
}

// A line `width` pixels thick between two pixel positions inside the picture: steps along
// the longer axis and fills a span across it at every step.
void rasterise(PanelImage& image, double x0, double y0, double x1, double y1, int width, uint32_t colour) {
    const double dx = x1 - x0, dy = y1 - y0;
    const bool alongX = std::fabs(dx) >= std::fabs(dy);
    const int64_t steps = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(std::max(std::fabs(dx), std::fabs(dy)))));
    const int low = -(width - 1) / 2, high = width / 2;
    for (int64_t i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(steps);
        const int64_t x = std::llround(x0 + dx * t), y = std::llround(y0 + dy * t);
        for (int k = low; k <= high; ++k)
            plot(image, alongX ? x : x + k, alongX ? y + k : y, colour);
    }
}

uint32_t channel(float value) {
    return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

void SoftwareGL::bind(PanelImage& image, const MMatrix& modelView, const MMatrix& projection) {
    image_ = &image;
    modelView_.assign(1, modelView);
    projection_.assign(1, projection);
    mode_ = MatrixMode::ModelView;
    colour_ = 0xffffff;
    width_ = 1.0f;
    pending_.clear();
}

void SoftwareGL::unbind() {
    image_ = nullptr;
    pending_.clear();
}

MMatrix& SoftwareGL::top() {
    return mode_ == MatrixMode::ModelView ? modelView_.back() : projection_.back();
}

void SoftwareGL::pushMatrix() {
    std::vector<MMatrix>& stack = mode_ == MatrixMode::ModelView ? modelView_ : projection_;
    stack.push_back(stack.back());
}

void SoftwareGL::popMatrix() {
    std::vector<MMatrix>& stack = mode_ == MatrixMode::ModelView ? modelView_ : projection_;
    if (stack.size() > 1) stack.pop_back();
}

void SoftwareGL::colour(float red, float green, float blue) {
    colour_ = (channel(red) << 16) | (channel(green) << 8) | channel(blue);
}

void SoftwareGL::vertex(double x, double y, double z) {
    pending_.insert(pending_.end(), {x, y, z});
    if (pending_.size() < 6) return;
    drawSegment(modelView_.back(), pending_.data(), pending_.data() + 3);
    pending_.clear();
}

void SoftwareGL::drawSegment(const MMatrix& modelView, const double a[3], const double b[3]) {
    if (!image_) return;
    Clip first = toClip(a, modelView, projection_.back());
    Clip second = toClip(b, modelView, projection_.back());
    if (!clipNear(first, second)) return;
    double x0 = first.x / first.w, y0 = first.y / first.w, x1 = second.x / second.w, y1 = second.y / second.w;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    if (!clipSegmentToSquare(x0, y0, x1, y1, 1.0)) return;
    const double w = image_->width - 1, h = image_->height - 1;
    const int width = std::max(1, static_cast<int>(std::lround(width_)));
    rasterise(*image_, (x0 + 1.0) * 0.5 * w, (1.0 - y0) * 0.5 * h, (x1 + 1.0) * 0.5 * w, (1.0 - y1) * 0.5 * h, width,
              colour_);
}

SoftwareGL& softwareGL() {
    static SoftwareGL renderer;
    return renderer;
}

void clearImage(PanelImage& image, int32_t width, int32_t height, uint32_t colour) {
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), colour);
}
