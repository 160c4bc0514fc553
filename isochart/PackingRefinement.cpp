#include "isochart/PackingRefinement.h"

#include "isochart/BoundingRectangle.h"
#include "isochart/ChartAtlasPacker.h"
#include "isochart/ChartSplitting.h"
#include "isochart/ChartStretch.h"
#include "isochart/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace Isochart {

namespace {

// Share of its bounding rectangles' area a set of rectangles keeps when packed.
constexpr double kRectangleDensity = 0.85;
// Charts filling less of their bounding rectangle than this are worth cutting.
constexpr double kWastefulFill = 0.9;
// Charts smaller than this share of all the area are left whole: cutting them gains little.
constexpr double kLeastShareToCut = 0.005;
// A cut must raise the estimated efficiency by this share to be kept.
constexpr double kLeastGain = 0.0;
// A cut of the longest chart must shorten it at least to this share of its length.
constexpr double kShortening = 0.8;
// Only charts at least this many times longer than wide are cut for their length.
constexpr double kLongAspect = 2.0;
// Past twice the charts there were, only charts this many times longer than wide are cut for
// their length, up to this many charts.
constexpr double kVeryLongAspect = 8.0;
constexpr size_t kLongCutCharts = 16;
// Candidate cuts made at once, on as many cores, and charts cut ahead by idle cores.
constexpr size_t kCutsAtOnce = 2;
constexpr size_t kCutsAhead = 2;
// Up to this many triangles and charts a cut is judged by packing the charts on a small
// texture; beyond, by the rectangle estimate alone.
constexpr size_t kMostTrianglesPacked = 40000;
constexpr size_t kMostChartsPacked = 16;
constexpr size_t kTrialTexture = 256;
constexpr float kTrialGutter = 0.5f;
constexpr double kLeastPackedGain = 0.005;

struct Shape {
    double area = 0.0;
    double longSide = 0.0, shortSide = 0.0;
    double rectangle() const { return longSide * shortSide; }
};

Shape shapeOf(const FlatChart& chart, std::vector<Eigen::Vector2d>& points, std::vector<Eigen::Vector2d>& hull) {
    Shape shape;
    for (const auto& c : chart.mesh.corners)
        shape.area += 0.5 * doubleSignedArea(chart.uv[c[0]], chart.uv[c[1]], chart.uv[c[2]]);
    points = chart.uv;
    convexHull(points, hull);
    const BoundingRectangle box = smallestRectangle(hull);
    shape.longSide = std::max(box.width, box.height);
    shape.shortSide = std::min(box.width, box.height);
    return shape;
}

// The packing efficiency to expect: the rectangles' area at the density rectangles pack
// to, or the square that the longest chart needs, whichever is larger.
struct Estimate {
    double area = 0.0, rectangles = 0.0, longest = 0.0;

    void add(const Shape& shape, double sign) {
        area += sign * shape.area;
        rectangles += sign * shape.rectangle();
    }
    double efficiency() const {
        const double needed = std::max(rectangles / kRectangleDensity, longest * longest);
        return needed > 0.0 ? area / needed : 1.0;
    }
};

double longestSide(const std::vector<Shape>& shapes) {
    double longest = 0.0;
    for (const Shape& shape : shapes)
        longest = std::max(longest, shape.longSide);
    return longest;
}

// The share of a small texture the charts fill when packed there.
double packedShare(const std::vector<const FlatChart*>& charts) {
    std::vector<float> uvs;
    std::vector<uint32_t> corners;
    for (const FlatChart* chart : charts) {
        const auto base = static_cast<uint32_t>(uvs.size() / 2);
        for (const Eigen::Vector2d& p : chart->uv)
            uvs.insert(uvs.end(), {float(p.x()), float(p.y())});
        for (const auto& c : chart->mesh.corners)
            corners.insert(corners.end(), {base + c[0], base + c[1], base + c[2]});
    }
    const std::vector<uint32_t> unlinked(corners.size(), kNil);
    if (FAILED(packChartAtlas(uvs, corners, unlinked, {kTrialTexture, kTrialTexture, kTrialGutter, false}, {})))
        return 0.0;
    double area = 0.0;
    for (size_t t = 0; t < corners.size(); t += 3) {
        const Eigen::Vector2d a(uvs[2 * corners[t]], uvs[2 * corners[t] + 1]);
        const Eigen::Vector2d b(uvs[2 * corners[t + 1]], uvs[2 * corners[t + 1] + 1]);
        const Eigen::Vector2d c(uvs[2 * corners[t + 2]], uvs[2 * corners[t + 2] + 1]);
        area += 0.5 * std::abs(doubleSignedArea(a, b, c));
    }
    return area;
}

// A chart cut into valid parts, not yet taken.
struct Cut {
    size_t chart = 0;
    std::vector<FlatChart> pieces;
    std::vector<Shape> shapes;
};

class ChartCutter {
public:
    ChartCutter(const SurfaceMesh& surface, const PartitionSettings& settings, std::vector<FlatChart>& charts)
        : surface_(surface), settings_(settings), charts_(charts) {
        std::vector<Eigen::Vector2d> points, hull;
        for (const FlatChart& chart : charts_) {
            shapes_.push_back(shapeOf(chart, points, hull));
            estimate_.add(shapes_.back(), 1.0);
        }
        estimate_.longest = longestSide(shapes_);
        settled_.assign(charts_.size(), 0);
        made_.resize(charts_.size());
        initialCount_ = charts_.size();
        longCutLimit_ = std::max(kLongCutCharts, 2 * charts_.size());
        byPacking_ = surface.triangleCount() <= kMostTrianglesPacked && charts_.size() <= kMostChartsPacked;
        if (byPacking_) packed_ = packedShare(allCharts());
        for (size_t w = 0; w < kCutsAtOnce; ++w)
            scratch_.emplace_back(surface.triangleCount());
    }

    // Cuts the next few candidates on all cores, then takes or refuses each cut in order, so
    // the result does not depend on the number of cores. A core done with its candidates
    // cuts the charts likely to come next: a chart's cut depends on that chart alone, so it
    // stays good until the chart itself is cut.
    void run() {
        std::vector<size_t> candidates, ahead;
        while (pickCandidates(candidates, ahead)) {
            makeCuts(candidates, ahead);
            for (size_t chart : candidates) {
                Cut cut = std::move(*made_[chart]);
                made_[chart].reset();
                if (!take(cut)) settled_[chart] = 1;
            }
        }
    }

private:
    // The next charts to cut, and those to cut ahead: the longest of the charts too long for
    // the square the rectangles need, else the ones wasting most of their rectangle. False
    // when there are none.
    bool pickCandidates(std::vector<size_t>& candidates, std::vector<size_t>& ahead) const {
        candidates.clear();
        ahead.clear();
        std::vector<uint8_t> taken = settled_;
        for (size_t i = 0; i < kCutsAtOnce + kCutsAhead; ++i) {
            const size_t chart = pick(taken);
            if (chart == charts_.size()) break;
            taken[chart] = 1;
            (i < kCutsAtOnce ? candidates : ahead).push_back(chart);
        }
        return !candidates.empty();
    }

    // Makes the candidates' cuts not made yet, then, while any of them is still being made,
    // those of the charts ahead.
    void makeCuts(const std::vector<size_t>& candidates, const std::vector<size_t>& ahead) {
        std::vector<size_t> work;
        for (size_t chart : candidates)
            if (!made_[chart]) work.push_back(chart);
        const size_t needed = work.size();
        for (size_t chart : ahead)
            if (!made_[chart]) work.push_back(chart);
        std::atomic<size_t> neededLeft{needed};
        parallelFor(work.size(), std::min(workerCount(), scratch_.size()), [&](size_t i, size_t worker) {
            if (i >= needed && neededLeft == 0) return;
            auto cut = std::make_unique<Cut>();
            cut->chart = work[i];
            makeCut(scratch_[worker], *cut);
            made_[work[i]] = std::move(cut);
            if (i < needed) --neededLeft;
        });
    }

    size_t pick(const std::vector<uint8_t>& excluded) const {
        const double squareSide = std::sqrt(estimate_.rectangles / kRectangleDensity);
        size_t best = charts_.size();
        if (charts_.size() < longCutLimit_) {
            // Past twice the charts there were, only very long charts are cut for their length.
            const double leastAspect = charts_.size() < 2 * initialCount_ ? kLongAspect : kVeryLongAspect;
            for (size_t c = 0; c < charts_.size(); ++c)
                if (!excluded[c] && isLong(shapes_[c], squareSide) &&
                    shapes_[c].longSide >= leastAspect * shapes_[c].shortSide &&
                    (best == charts_.size() || shapes_[c].longSide > shapes_[best].longSide))
                    best = c;
            if (best < charts_.size()) return best;
        }
        if (charts_.size() >= 2 * initialCount_) return best;
        double mostWaste = 0.0;
        for (size_t c = 0; c < charts_.size(); ++c) {
            const Shape& shape = shapes_[c];
            const double waste = shape.rectangle() - shape.area;
            if (excluded[c] || !(shape.area < kWastefulFill * shape.rectangle()) ||
                shape.area < kLeastShareToCut * estimate_.area)
                continue;
            if (waste > mostWaste) {
                mostWaste = waste;
                best = c;
            }
        }
        return best;
    }

    static bool isLong(const Shape& shape, double squareSide) {
        return shape.longSide > squareSide && shape.longSide >= kLongAspect * shape.shortSide;
    }

    // Splits the chart; leaves no pieces when it has no two parts that make valid charts.
    void makeCut(ChartScratch& scratch, Cut& cut) const {
        // Fast marching suffices to find a chart's long extent.
        const auto parts =
            splitChart(surface_, charts_[cut.chart].mesh, GeodesicMethod::Approximate, PolygonCuts::Never, scratch);
        if (parts.size() < 2) return;
        cut.pieces.resize(parts.size());
        std::vector<Eigen::Vector2d> points, hull;
        for (size_t p = 0; p < parts.size(); ++p) {
            if (!restrictChart(surface_, charts_[cut.chart], parts[p], settings_.maxStretch, scratch, cut.pieces[p])) {
                cut.pieces.clear();
                return;
            }
            cut.shapes.push_back(shapeOf(cut.pieces[p], points, hull));
        }
    }

    // Takes the cut when it raises the estimate, or clearly shortens a chart too long.
    bool take(Cut& cut) {
        if (cut.pieces.empty()) return false;
        const size_t chart = cut.chart;
        const bool longCut = isLong(shapes_[chart], std::sqrt(estimate_.rectangles / kRectangleDensity));
        if (!longCut && charts_.size() + cut.pieces.size() - 1 > 2 * initialCount_) return false;
        Estimate estimate = estimate_;
        estimate.add(shapes_[chart], -1.0);
        for (const Shape& shape : cut.shapes)
            estimate.add(shape, 1.0);
        std::vector<Shape> after = shapes_;
        after[chart] = cut.shapes[0];
        after.insert(after.end(), cut.shapes.begin() + 1, cut.shapes.end());
        estimate.longest = longestSide(after);
        // Charts as long as this one gain only once all of them are cut: a long cut is also
        // kept when it shortens this chart clearly.
        const bool shortens = longCut && longestSide(cut.shapes) <= kShortening * shapes_[chart].longSide;
        const bool kept =
            shortens ||
            (byPacking_ ? packedGain(cut) : estimate.efficiency() > (1.0 + kLeastGain) * estimate_.efficiency());
        if (!kept) return false;
        charts_[chart] = std::move(cut.pieces[0]);
        for (size_t p = 1; p < cut.pieces.size(); ++p)
            charts_.push_back(std::move(cut.pieces[p]));
        shapes_ = std::move(after);
        settled_.resize(charts_.size(), 0);
        made_.resize(charts_.size());
        estimate_ = estimate;
        if (byPacking_ && shortens) packed_ = packedShare(allCharts());
        return true;
    }

    std::vector<const FlatChart*> allCharts() const {
        std::vector<const FlatChart*> all;
        for (const FlatChart& chart : charts_)
            all.push_back(&chart);
        return all;
    }

    // Whether the charts with the cut taken pack into a larger share of a trial texture; if so
    // that share becomes the one to beat.
    bool packedGain(const Cut& cut) {
        std::vector<const FlatChart*> after = allCharts();
        after[cut.chart] = &cut.pieces[0];
        for (size_t p = 1; p < cut.pieces.size(); ++p)
            after.push_back(&cut.pieces[p]);
        const double share = packedShare(after);
        if (!(share > (1.0 + kLeastPackedGain) * packed_)) return false;
        packed_ = share;
        return true;
    }

    const SurfaceMesh& surface_;
    const PartitionSettings& settings_;
    std::vector<FlatChart>& charts_;
    std::vector<ChartScratch> scratch_; // one per cut made at once
    std::vector<Shape> shapes_;
    std::vector<uint8_t> settled_;
    std::vector<std::unique_ptr<Cut>> made_; // cuts made ahead, by chart
    size_t initialCount_ = 0, longCutLimit_ = 0;
    Estimate estimate_;
    bool byPacking_ = false;
    double packed_ = 0.0; // share of the trial texture the charts fill
};

} // namespace

void cutWastefulCharts(const SurfaceMesh& surface, const PartitionSettings& settings, std::vector<FlatChart>& charts) {
    ChartCutter(surface, settings, charts).run();
    std::sort(charts.begin(), charts.end(), [](const FlatChart& a, const FlatChart& b) {
        return a.mesh.triangles.front() < b.mesh.triangles.front();
    });
}

} // namespace Isochart
