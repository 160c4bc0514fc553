#include "ChartAtlasPacker.h"

#include "isochart/BitmapRuns.h"
#include "isochart/BoundingRectangle.h"
#include "isochart/ChartCoverage.h"
#include "isochart/OccupancyGrid.h"
#include "isochart/ParallelFor.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

namespace Isochart {

namespace {

constexpr uint32_t NoNeighbour = 0xFFFFFFFFu;
// Larger textures are packed on a grid of cells of several texels each.
constexpr size_t MaxGridSide = 8192;
constexpr int QuarterTurns = 4;
// With this many charts the upright and the quarter-turned chart are tried, not all four
// turns: the search costs half as much and small charts gain little from the other two.
constexpr size_t ManyCharts = 2048;
// Every chart is rasterised this much larger (in cells), so float rounding of the final uvs
// can never bring two charts closer than the gutter.
constexpr double CoverageMargin = 0.01;
constexpr double ShrinkFactor = 0.85;
// Rounds of trying two scales at once while closing in on the largest that fits.
constexpr int RefineRounds = 5;
// A predicted scale is tried together with one this much smaller.
constexpr double PredictionSlack = 1.01;
constexpr double RefineTolerance = 1.004;
// With many charts every attempt costs much, and the search stops this close to the answer.
constexpr double ManyChartsTolerance = 1.01;
constexpr int MaxAttempts = 200;
// Up to this many charts, several placement orders and a second pose are tried.
constexpr size_t FewCharts = 256;
constexpr int Variants = 30;
// Variants are ranked on a grid this many times coarser when that still has this many cells a side.
constexpr size_t CoarseFactor = 2;
constexpr size_t CoarseSmallestSide = 128;
// The best variants on the coarse grid that are tried on the full one.
constexpr size_t FinalCandidates = 3;
// With many charts the scale is first bracketed by searches that look for places only this
// many chart heights below the highest chart so far; full searches then refine it up to this
// much above the scale found.
constexpr long NearTopDepth = 3;
constexpr double FullSearchReach = 1.06;
// Rows from the bottom up are no longer searched once less than this share of them is free:
// the few cells left there cost a full search for every later chart and rarely take one.
constexpr double ClosedRowFreeShare = 0.03;

class DisjointSets {
public:
    explicit DisjointSets(size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0u); }

    uint32_t find(uint32_t item) {
        while (parent_[item] != item) {
            parent_[item] = parent_[parent_[item]];
            item = parent_[item];
        }
        return item;
    }

    void unite(uint32_t first, uint32_t second) {
        first = find(first);
        second = find(second);
        if (first != second) parent_[std::max(first, second)] = std::min(first, second);
    }

private:
    std::vector<uint32_t> parent_;
};

// Charts as lists of triangles and of vertices, each list contiguous per chart.
struct ChartSet {
    std::vector<uint32_t> triangleStart, triangles;
    std::vector<uint32_t> vertexStart, vertices;
    std::vector<uint32_t> vertexSlot; // position of every used vertex within its chart's list

    size_t count() const { return triangleStart.size() - 1; }
};

// Triangles joined by an edge or by a shared vertex belong to one chart: a shared vertex has
// only one uv to move, so its triangles must move together.
ChartSet findCharts(std::span<const uint32_t> indices, std::span<const uint32_t> adjacency, size_t vertexCount) {
    const size_t triangleCount = indices.size() / 3;
    DisjointSets sets(triangleCount);
    std::vector<uint32_t> owner(vertexCount, NoNeighbour);
    for (uint32_t triangle = 0; triangle < triangleCount; ++triangle) {
        for (uint32_t corner = 0; corner < 3; ++corner) {
            const uint32_t neighbour = adjacency[3 * triangle + corner];
            if (neighbour != NoNeighbour) sets.unite(triangle, neighbour);
            uint32_t& first = owner[indices[3 * triangle + corner]];
            if (first == NoNeighbour)
                first = triangle;
            else
                sets.unite(triangle, first);
        }
    }
    ChartSet charts;
    std::vector<uint32_t> chartOfRoot(triangleCount, NoNeighbour), chartOfTriangle(triangleCount);
    uint32_t chartCount = 0;
    for (uint32_t triangle = 0; triangle < triangleCount; ++triangle) {
        uint32_t& chart = chartOfRoot[sets.find(triangle)];
        if (chart == NoNeighbour) chart = chartCount++;
        chartOfTriangle[triangle] = chart;
    }
    charts.triangleStart.assign(chartCount + 1, 0);
    charts.vertexStart.assign(chartCount + 1, 0);
    for (const uint32_t chart : chartOfTriangle)
        ++charts.triangleStart[chart + 1];
    for (uint32_t vertex = 0; vertex < vertexCount; ++vertex)
        if (owner[vertex] != NoNeighbour) ++charts.vertexStart[chartOfTriangle[owner[vertex]] + 1];
    std::partial_sum(charts.triangleStart.begin(), charts.triangleStart.end(), charts.triangleStart.begin());
    std::partial_sum(charts.vertexStart.begin(), charts.vertexStart.end(), charts.vertexStart.begin());

    charts.triangles.resize(triangleCount);
    std::vector<uint32_t> fill(charts.triangleStart.begin(), charts.triangleStart.end() - 1);
    for (uint32_t triangle = 0; triangle < triangleCount; ++triangle)
        charts.triangles[fill[chartOfTriangle[triangle]]++] = triangle;
    charts.vertices.resize(charts.vertexStart.back());
    charts.vertexSlot.assign(vertexCount, NoNeighbour);
    fill.assign(charts.vertexStart.begin(), charts.vertexStart.end() - 1);
    for (uint32_t vertex = 0; vertex < vertexCount; ++vertex) {
        if (owner[vertex] == NoNeighbour) continue;
        const uint32_t chart = chartOfTriangle[owner[vertex]];
        charts.vertexSlot[vertex] = fill[chart] - charts.vertexStart[chart];
        charts.vertices[fill[chart]++] = vertex;
    }
    return charts;
}

double cross(const Point& origin, const Point& a, const Point& b) {
    return (a.x - origin.x) * (b.y - origin.y) - (a.y - origin.y) * (b.x - origin.x);
}

// Every chart turned onto its smallest bounding rectangle (and then by a further angle, the
// same for all charts) and moved to the origin: one pose of every chart.
struct AlignedCharts {
    std::vector<Point> local; // per entry of ChartSet::vertices
    std::vector<Point> extent;
    std::vector<double> area;
};

AlignedCharts alignCharts(const ChartSet& charts, std::span<const float> uvs, std::span<const uint32_t> indices,
                          double furtherAngle) {
    AlignedCharts aligned;
    aligned.local.resize(charts.vertices.size());
    aligned.extent.resize(charts.count());
    aligned.area.resize(charts.count());
    std::vector<Eigen::Vector2d> points, hull;
    for (size_t chart = 0; chart < charts.count(); ++chart) {
        const uint32_t first = charts.vertexStart[chart], last = charts.vertexStart[chart + 1];
        points.clear();
        for (uint32_t slot = first; slot < last; ++slot) {
            const uint32_t vertex = charts.vertices[slot];
            points.emplace_back(uvs[2 * vertex], uvs[2 * vertex + 1]);
        }
        convexHull(points, hull);
        const double angle = smallestRectangle(hull).angle + furtherAngle;
        const double c = std::cos(angle), s = std::sin(angle);
        Point low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
        Point high{-low.x, -low.y};
        for (uint32_t slot = first; slot < last; ++slot) {
            const uint32_t vertex = charts.vertices[slot];
            const double u = uvs[2 * vertex], v = uvs[2 * vertex + 1];
            Point& p = aligned.local[slot];
            p = {c * u + s * v, c * v - s * u};
            low = {std::min(low.x, p.x), std::min(low.y, p.y)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y)};
        }
        for (uint32_t slot = first; slot < last; ++slot)
            aligned.local[slot] = {aligned.local[slot].x - low.x, aligned.local[slot].y - low.y};
        aligned.extent[chart] = {high.x - low.x, high.y - low.y};
        double area = 0.0;
        for (uint32_t i = charts.triangleStart[chart]; i < charts.triangleStart[chart + 1]; ++i) {
            const uint32_t* corners = &indices[3 * charts.triangles[i]];
            const Point& a = aligned.local[first + charts.vertexSlot[corners[0]]];
            const Point& b = aligned.local[first + charts.vertexSlot[corners[1]]];
            const Point& d = aligned.local[first + charts.vertexSlot[corners[2]]];
            area += 0.5 * std::abs(cross(a, b, d));
        }
        aligned.area[chart] = area;
    }
    return aligned;
}

// The border chain of every chart in its own vertex slots (see borderChain). A chart with a
// flipped or flat triangle has none and is covered triangle by triangle.
struct ChartBorders {
    std::vector<uint32_t> start;
    std::vector<std::array<uint32_t, 2>> edges;
    std::vector<uint8_t> usable;
};

ChartBorders findBorders(const ChartSet& charts, std::span<const float> uvs, std::span<const uint32_t> indices) {
    ChartBorders borders;
    borders.start.assign(1, 0);
    borders.usable.assign(charts.count(), 0);
    std::vector<uint32_t> corners;
    std::vector<Point> points;
    std::vector<std::array<uint32_t, 2>> chain;
    for (size_t chart = 0; chart < charts.count(); ++chart) {
        points.clear();
        for (uint32_t slot = charts.vertexStart[chart]; slot < charts.vertexStart[chart + 1]; ++slot)
            points.push_back({uvs[2 * charts.vertices[slot]], uvs[2 * charts.vertices[slot] + 1]});
        corners.clear();
        for (uint32_t i = charts.triangleStart[chart]; i < charts.triangleStart[chart + 1]; ++i)
            for (int k = 0; k < 3; ++k)
                corners.push_back(charts.vertexSlot[indices[3 * charts.triangles[i] + k]]);
        if (borderChain(corners, points, chain)) {
            borders.usable[chart] = 1;
            borders.edges.insert(borders.edges.end(), chain.begin(), chain.end());
        }
        borders.start.push_back(static_cast<uint32_t>(borders.edges.size()));
    }
    return borders;
}

// A point of a w x h cell box after `turn` quarter-turns of the box (w, h being the sizes
// before turning); cell (i, j) goes to the cell whose square is the image of its square.
Point quarterTurn(const Point& p, double width, double height, int turn) {
    switch (turn) {
    case 1:
        return {height - p.y, p.x};
    case 2:
        return {width - p.x, height - p.y};
    case 3:
        return {p.y, width - p.x};
    default:
        return p;
    }
}

// The cells a chart covers, as runs per row, with the widest run of every row.
struct CoverageMask {
    struct Run {
        uint32_t row, first, last;
    };
    size_t width = 0, height = 0;
    std::vector<Run> runs;
    std::vector<uint32_t> widest;
    std::vector<uint32_t> lowest; // lowest covered row of every column
};

struct Placement {
    long x = 0, y = 0;
    int pose = 0, turn = 0;
};

// With few charts a second pose, turned half a quarter-turn from the first, is tried too.
constexpr int MaxPoses = 2;

// Scratch reused over all charts and attempts.
struct PackScratch {
    std::vector<Point> cells;
    std::vector<uint8_t> bitmap;
    ChainFill fill;
    BitmapRuns lineRuns;
    std::vector<CoverageMask::Run> runs;
    CoverageMask masks[MaxPoses][QuarterTurns];
};

class AtlasPacker {
public:
    AtlasPacker(const ChartSet& charts, const ChartBorders& borders, const std::vector<AlignedCharts>& poses,
                std::span<const uint32_t> indices, const AtlasPackSettings& settings)
        : charts_(charts), borders_(borders), poses_(poses), aligned_(poses.front()), indices_(indices) {
        assert(!poses.empty() && poses.size() <= MaxPoses);
        cellX_ = (settings.width + MaxGridSide - 1) / MaxGridSide;
        cellY_ = (settings.height + MaxGridSide - 1) / MaxGridSide;
        gridWidth_ = settings.width / cellX_;
        gridHeight_ = settings.height / cellY_;
        gutterX_ = gutterCells(settings.gutter, cellX_, gridWidth_);
        gutterY_ = gutterCells(settings.gutter, cellY_, gridHeight_);
        // Quarter-turns of a cell box are turns of the chart only when cells are square.
        if (cellX_ != cellY_)
            turns_ = {0, 2};
        else if (charts.count() >= ManyCharts)
            turns_ = {0, 1};
        else
            turns_ = {0, 1, 2, 3};
        useOrder(ChartOrder::LargestBox);
    }

    // Charts are placed largest first, by one of several measures of size.
    enum class ChartOrder { LargestBox, LongestSide, WidestShortSide };
    static constexpr ChartOrder Orders[] = {ChartOrder::LargestBox, ChartOrder::LongestSide,
                                            ChartOrder::WidestShortSide};

    void useOrder(ChartOrder order) {
        auto size = [&](uint32_t chart) {
            const Point& e = aligned_.extent[chart];
            switch (order) {
            case ChartOrder::LongestSide:
                return std::max(e.x, e.y);
            case ChartOrder::WidestShortSide:
                return std::min(e.x, e.y);
            default:
                return e.x * e.y;
            }
        };
        order_.resize(charts_.count());
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) { return size(a) > size(b); });
        countArea();
    }

    // Variant 0 places largest boxes first and judges a place by its top and the free cells it
    // shuts in below; odd variants judge by the top alone. Variants 0 to 5 go through the orders
    // by size, later ones swap some neighbours of the largest-box order, chosen by the variant.
    void useVariant(int variant) {
        countWaste_ = variant % 2 == 0;
        const int orderCount = static_cast<int>(std::size(Orders));
        if (variant < 2 * orderCount) {
            useOrder(Orders[variant / 2]);
            return;
        }
        useOrder(ChartOrder::LargestBox);
        std::mt19937 random(static_cast<uint32_t>(variant / 2));
        for (size_t i = 0; i + 1 < order_.size(); ++i)
            if (random() % 3 == 0) std::swap(order_[i], order_[i + 1]);
        countArea();
    }

    void countArea() {
        areaStillToPlace_.assign(order_.size() + 1, 0.0);
        for (size_t i = order_.size(); i-- > 0;)
            areaStillToPlace_[i] = areaStillToPlace_[i + 1] + aligned_.area[order_[i]];
    }

    // The largest scale (texels per chart unit) worth trying: the charts' area fills the
    // texture and every chart fits it in one of its turns.
    double scaleBound(const AtlasPackSettings& settings) const {
        double area = 0.0, bound = std::numeric_limits<double>::infinity();
        const double roomX = static_cast<double>(gridWidth_) - 2 * CoverageMargin;
        const double roomY = static_cast<double>(gridHeight_) - 2 * CoverageMargin;
        for (size_t chart = 0; chart < charts_.count(); ++chart) {
            area += aligned_.area[chart];
            const Point& e = aligned_.extent[chart];
            const double upright = std::min(fitScale(roomX * cellX_, e.x), fitScale(roomY * cellY_, e.y));
            const double turned = std::min(fitScale(roomX * cellX_, e.y), fitScale(roomY * cellY_, e.x));
            bound = std::min(bound, std::max(upright, turned));
        }
        if (area > 0.0)
            bound = std::min(bound, std::sqrt(static_cast<double>(settings.width) * settings.height / area));
        return std::isfinite(bound) ? bound * (1.0 - 1e-9) : 1.0;
    }

    // Places every chart at `scale`; false when one does not fit.
    bool attempt(double scale) {
        grid_.reset(gridWidth_, gridHeight_);
        openFrom_ = 0;
        highestTop_ = 0;
        placements_.assign(charts_.count(), {});
        const double cellsPerArea = scale * scale / static_cast<double>(cellX_ * cellY_);
        for (size_t i = 0; i < order_.size(); ++i) {
            // The charts still to come cover at least their area: give up once it exceeds the room.
            placedShare_ = areaStillToPlace_[0] > 0.0 ? 1.0 - areaStillToPlace_[i] / areaStillToPlace_[0] : 0.0;
            if (areaStillToPlace_[i] * cellsPerArea > static_cast<double>(grid_.freeCells())) return false;
            const uint32_t chart = order_[i];
            Placement best;
            double bestScore = std::numeric_limits<double>::infinity();
            for (int pose = 0; pose < static_cast<int>(poses_.size()); ++pose) {
                rasterise(chart, scale, pose);
                scratch_.lineRuns.find(scratch_.bitmap, bitmapWidth_, bitmapHeight_);
                for (const int turn : turns_) {
                    CoverageMask& mask = scratch_.masks[pose][turn];
                    buildMask(turn, mask);
                    long x, y;
                    // A place whose top lies above the best score cannot score better.
                    const long yLimit = std::isfinite(bestScore)
                                            ? static_cast<long>(std::floor(bestScore)) - static_cast<long>(mask.height)
                                            : std::numeric_limits<long>::max();
                    if (!findPlace(mask, yLimit, x, y)) continue;
                    double score = static_cast<double>(y + static_cast<long>(mask.height));
                    if (countWaste_)
                        score += static_cast<double>(wasteBelow(mask, x, y)) / static_cast<double>(mask.width);
                    if (score < bestScore) {
                        bestScore = score;
                        best = {x, y, pose, turn};
                    }
                }
            }
            if (!std::isfinite(bestScore)) return false;
            occupy(scratch_.masks[best.pose][best.turn], best);
            placements_[chart] = best;
            highestTop_ =
                std::max(highestTop_, best.y + static_cast<long>(scratch_.masks[best.pose][best.turn].height));
            const double closedBelow = ClosedRowFreeShare * static_cast<double>(grid_.width());
            while (openFrom_ < grid_.height() && static_cast<double>(grid_.freeCellsInRow(openFrom_)) < closedBelow)
                ++openFrom_;
        }
        kept_ = placements_;
        keptScale_ = scale;
        return true;
    }

    // True when every chart already covers a single cell at `scale`: smaller scales cannot help.
    bool atSmallest(double scale) const {
        for (size_t chart = 0; chart < charts_.count(); ++chart) {
            const Point& e = aligned_.extent[chart];
            if (2 * CoverageMargin + std::max(e.x, e.y) * scale / std::min(cellX_, cellY_) >= 1.0) return false;
        }
        return true;
    }

    // Whether places are looked for only a few chart heights below the highest chart placed:
    // a search that misses the holes further down, for a quick estimate of the scale.
    void searchNearTop(bool nearTop) { nearTop_ = nearTop; }

    double keptScale() const { return keptScale_; }
    // The share of the charts' area the last attempt placed before it gave up.
    double placedShare() const { return placedShare_; }

    // Texture uvs of the last successful attempt.
    void writeUVs(const AtlasPackSettings& settings, std::span<float> uvs) const {
        for (size_t chart = 0; chart < charts_.count(); ++chart) {
            const Placement& place = kept_[chart];
            const Point box = boxSize(chart, keptScale_, place.pose);
            for (uint32_t slot = charts_.vertexStart[chart]; slot < charts_.vertexStart[chart + 1]; ++slot) {
                const Point p =
                    quarterTurn(toCells(poses_[place.pose].local[slot], keptScale_), box.x, box.y, place.turn);
                const double x = (place.x + p.x) * cellX_ / settings.width;
                const double y = (place.y + p.y) * cellY_ / settings.height;
                const uint32_t vertex = charts_.vertices[slot];
                uvs[2 * vertex] = static_cast<float>(std::clamp(x, 0.0, 1.0));
                uvs[2 * vertex + 1] = static_cast<float>(std::clamp(y, 0.0, 1.0));
            }
        }
    }

private:
    static double fitScale(double room, double extent) {
        return extent > 0.0 ? room / extent : std::numeric_limits<double>::infinity();
    }

    static size_t gutterCells(float gutter, size_t cell, size_t gridSide) {
        return static_cast<size_t>(
            std::min(std::ceil(static_cast<double>(gutter) / cell), static_cast<double>(gridSide)));
    }

    // Chart point to cell coordinates of its unturned box.
    Point toCells(const Point& p, double scale) const {
        return {CoverageMargin + p.x * scale / cellX_, CoverageMargin + p.y * scale / cellY_};
    }

    // Cells of the chart's unturned box in a pose at `scale`.
    Point boxSize(uint32_t chart, double scale, int pose) const {
        const Point& e = poses_[pose].extent[chart];
        return {std::floor(2 * CoverageMargin + e.x * scale / cellX_) + 1,
                std::floor(2 * CoverageMargin + e.y * scale / cellY_) + 1};
    }

    // Conservative coverage of the unturned chart: every cell its triangles come within
    // CoverageMargin of.
    void rasterise(uint32_t chart, double scale, int pose) {
        const Point box = boxSize(chart, scale, pose);
        bitmapWidth_ = static_cast<size_t>(box.x);
        bitmapHeight_ = static_cast<size_t>(box.y);
        const uint32_t first = charts_.vertexStart[chart];
        std::vector<Point>& cells = scratch_.cells;
        cells.resize(charts_.vertexStart[chart + 1] - first);
        for (size_t slot = 0; slot < cells.size(); ++slot)
            cells[slot] = toCells(poses_[pose].local[first + slot], scale);
        std::vector<uint8_t>& bitmap = scratch_.bitmap;
        bitmap.assign(bitmapWidth_ * bitmapHeight_, 0);
        if (borders_.usable[chart]) {
            const std::span<const std::array<uint32_t, 2>> chain(borders_.edges.data() + borders_.start[chart],
                                                                 borders_.start[chart + 1] - borders_.start[chart]);
            scratch_.fill.cover(cells, chain, CoverageMargin, bitmapWidth_, bitmapHeight_, bitmap);
            return;
        }
        for (uint32_t i = charts_.triangleStart[chart]; i < charts_.triangleStart[chart + 1]; ++i) {
            const uint32_t* corners = &indices_[3 * charts_.triangles[i]];
            const Point triangle[3] = {cells[charts_.vertexSlot[corners[0]]], cells[charts_.vertexSlot[corners[1]]],
                                       cells[charts_.vertexSlot[corners[2]]]};
            coverTriangle(triangle, CoverageMargin, bitmapWidth_, bitmapHeight_, bitmap);
        }
    }

    // The runs of the rasterised chart turned `turn` quarter-turns, from the runs along the
    // bitmap's rows and columns: a half-turn reads the rows backwards, and quarter-turns read
    // the columns, one way or the other.
    void buildMask(int turn, CoverageMask& mask) {
        const LineRuns& rows = scratch_.lineRuns.rows();
        const LineRuns& columns = scratch_.lineRuns.columns();
        const auto width = static_cast<uint32_t>(bitmapWidth_), height = static_cast<uint32_t>(bitmapHeight_);
        const bool quarter = turn % 2 == 1;
        mask.width = quarter ? height : width;
        mask.height = quarter ? width : height;
        // Mask rows read the lines in order, or from the last when `backwards`; each line is
        // mirrored across `span` cells when `flip`.
        const LineRuns& lines = quarter ? columns : rows;
        const bool backwards = turn == 2 || turn == 3, flip = turn == 1 || turn == 2;
        const auto span = static_cast<uint32_t>(mask.width);
        mask.runs.clear();
        mask.widest.assign(mask.height, 0);
        for (uint32_t row = 0; row < mask.height; ++row) {
            const auto line = lines.line(backwards ? mask.height - 1 - row : row);
            for (size_t i = 0; i < line.size(); ++i) {
                const LineRuns::Run& run = line[flip ? line.size() - 1 - i : i];
                const uint32_t first = flip ? span - 1 - run[1] : run[0], last = flip ? span - 1 - run[0] : run[1];
                mask.runs.push_back({row, first, last});
                mask.widest[row] = std::max(mask.widest[row], last - first + 1);
            }
        }
        // The lowest covered row of a mask column is the first or last cell of the crossing line.
        const LineRuns& crossing = quarter ? rows : columns;
        const bool crossingBackwards = turn == 1 || turn == 2, fromTop = turn == 2 || turn == 3;
        const auto depth = static_cast<uint32_t>(mask.height);
        mask.lowest.resize(mask.width);
        for (uint32_t column = 0; column < mask.width; ++column) {
            const auto line = crossing.line(crossingBackwards ? mask.width - 1 - column : column);
            mask.lowest[column] = line.empty() ? depth : fromTop ? depth - 1 - line.back()[1] : line.front()[0];
        }
        spreadRuns(mask.runs, scratch_.runs);
    }

    // Orders the runs as the bit-reversed row order visits them (ends and middle first, then
    // the quarters, ...), so that a place that is blocked anywhere is found blocked early.
    static void spreadRuns(std::vector<CoverageMask::Run>& runs, std::vector<CoverageMask::Run>& spread) {
        spread.clear();
        int bits = 0;
        while ((size_t{1} << bits) < runs.size())
            ++bits;
        for (size_t i = 0; i < (size_t{1} << bits); ++i) {
            size_t reversed = 0;
            for (int bit = 0; bit < bits; ++bit)
                if (i & (size_t{1} << bit)) reversed |= size_t{1} << (bits - 1 - bit);
            if (reversed < runs.size()) spread.push_back(runs[reversed]);
        }
        runs.swap(spread);
    }

    // The lowest, then leftmost, place (rows up to yLimit) where every run of the mask lies on
    // free cells. A blocked run moves the mask to the next place where that run fits its row.
    bool findPlace(const CoverageMask& mask, long yLimit, long& placeX, long& placeY) const {
        if (mask.width > grid_.width() || mask.height > grid_.height() || mask.runs.empty()) return false;
        const long lastY = std::min(yLimit, static_cast<long>(grid_.height() - mask.height));
        const size_t lastX = grid_.width() - mask.width;
        size_t blocker = 0;
        const size_t widestRow =
            static_cast<size_t>(std::max_element(mask.widest.begin(), mask.widest.end()) - mask.widest.begin());
        long firstY = static_cast<long>(openFrom_);
        if (nearTop_) firstY = std::max(firstY, highestTop_ - NearTopDepth * static_cast<long>(mask.height));
        for (long y = firstY; y <= lastY; ++y) {
            // The mask's widest row needs a grid row with at least as long a free run.
            const size_t roomyRow = grid_.nextRoomyRow(static_cast<size_t>(y) + widestRow, mask.widest[widestRow]);
            y = static_cast<long>(roomyRow) - static_cast<long>(widestRow);
            if (y > lastY) break;
            if (const long next = nextUncramped(mask, y); next != y) {
                y = next - 1;
                continue;
            }
            for (size_t x = 0; x <= lastX;) {
                // The run that blocked last is the likeliest to block again.
                size_t tested = 0;
                for (; tested < mask.runs.size(); ++tested) {
                    const CoverageMask::Run& run = mask.runs[(blocker + tested) % mask.runs.size()];
                    const size_t length = run.last - run.first + 1;
                    if (grid_.freeRun(y + run.row, x + run.first, length)) continue;
                    x = grid_.nextRoom(y + run.row, x + run.first, length, lastX + run.first) - run.first;
                    blocker = (blocker + tested) % mask.runs.size();
                    break;
                }
                if (tested == mask.runs.size()) {
                    placeX = static_cast<long>(x);
                    placeY = y;
                    return true;
                }
            }
        }
        return false;
    }

    // `y` when every row of the mask finds a free run as wide as itself in the grid row it
    // would lie on; otherwise the next place up that puts none of the rows too wide for the
    // grid row that failed onto it.
    long nextUncramped(const CoverageMask& mask, long y) const {
        for (size_t row = mask.height; row-- > 0;) {
            const uint32_t room = grid_.longestFree(static_cast<size_t>(y) + row);
            if (room >= mask.widest[row]) continue;
            size_t narrow = row; // rows narrow..row - 1 are all too wide for that grid row too
            while (narrow > 0 && mask.widest[narrow - 1] > room)
                --narrow;
            return y + static_cast<long>(row + 1 - narrow);
        }
        return y;
    }

    // Free cells the chart would shut in below itself: in every column, those between its
    // lowest covered cell and the first occupied cell further down (the gutter not counted).
    size_t wasteBelow(const CoverageMask& mask, long x, long y) const {
        size_t waste = 0;
        const long depth = static_cast<long>(mask.height);
        for (size_t column = 0; column < mask.width; ++column) {
            const long start = y + static_cast<long>(mask.lowest[column]) - static_cast<long>(gutterY_) - 1;
            for (long row = start; row >= 0 && row > start - depth && grid_.isFree(row, x + column); --row)
                ++waste;
        }
        return waste;
    }

    // Marks the chart grown by the gutter, the area no later chart may cover.
    void occupy(const CoverageMask& mask, const Placement& place) {
        const long maxX = static_cast<long>(grid_.width()) - 1, maxY = static_cast<long>(grid_.height()) - 1;
        const long gx = static_cast<long>(gutterX_), gy = static_cast<long>(gutterY_);
        for (const CoverageMask::Run& run : mask.runs) {
            const long row = place.y + run.row;
            const size_t first = static_cast<size_t>(std::max(0L, place.x + run.first - gx));
            const size_t last = static_cast<size_t>(std::min(maxX, place.x + run.last + gx));
            for (long y = std::max(0L, row - gy); y <= std::min(maxY, row + gy); ++y)
                grid_.occupy(y, first, last);
        }
        const long firstRow = std::max(0L, place.y - gy);
        const long lastRow = std::min(maxY, place.y + static_cast<long>(mask.height) - 1 + gy);
        for (long row = firstRow; row <= lastRow; ++row)
            grid_.refreshRow(row);
    }

    const ChartSet& charts_;
    const ChartBorders& borders_;
    const std::vector<AlignedCharts>& poses_;
    const AlignedCharts& aligned_; // the first pose, which measures the charts' sizes
    std::span<const uint32_t> indices_;
    size_t cellX_, cellY_, gridWidth_, gridHeight_, gutterX_, gutterY_;
    std::vector<int> turns_;
    std::vector<uint32_t> order_;
    std::vector<double> areaStillToPlace_; // chart area from each place in the order on
    size_t bitmapWidth_ = 0, bitmapHeight_ = 0;
    size_t openFrom_ = 0; // the lowest row still searched
    long highestTop_ = 0; // the row above the highest chart placed
    bool nearTop_ = false;
    OccupancyGrid grid_;
    std::vector<Placement> placements_, kept_;
    double keptScale_ = 0.0;
    bool countWaste_ = true;
    double placedShare_ = 0.0;
    PackScratch scratch_;
};

HRESULT checkInput(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
                   const AtlasPackSettings& settings) {
    if (settings.width == 0 || settings.height == 0 || !(settings.gutter >= 0.0f)) return E_INVALIDARG;
    if (indices.empty() || indices.size() % 3 != 0 || adjacency.size() != indices.size() || uvs.size() % 2 != 0)
        return E_INVALIDARG;
    const size_t vertexCount = uvs.size() / 2, triangleCount = indices.size() / 3;
    for (size_t corner = 0; corner < indices.size(); ++corner) {
        if (indices[corner] >= vertexCount) return E_INVALIDARG;
        if (adjacency[corner] != NoNeighbour && adjacency[corner] >= triangleCount) return E_INVALIDARG;
        if (!std::isfinite(uvs[2 * indices[corner]]) || !std::isfinite(uvs[2 * indices[corner] + 1]))
            return E_INVALIDARG;
    }
    return S_OK;
}

// Two packers over the same charts that try two scales at once, one on another thread.
class PackerPair {
public:
    PackerPair(const ChartSet& charts, const ChartBorders& borders, const std::vector<AlignedCharts>& poses,
               std::span<const uint32_t> indices, const AtlasPackSettings& settings)
        : charts_(charts), packers_{AtlasPacker(charts, borders, poses, indices, settings),
                                    AtlasPacker(charts, borders, poses, indices, settings)} {}

    double scaleBound(const AtlasPackSettings& settings) const { return packers_[0].scaleBound(settings); }
    bool manyCharts() const { return charts_.count() >= ManyCharts; }
    bool atSmallest(double scale) const { return packers_[0].atSmallest(scale); }

    void useVariant(int variant) {
        for (AtlasPacker& packer : packers_)
            packer.useVariant(variant);
    }

    void searchNearTop(bool nearTop) {
        for (AtlasPacker& packer : packers_)
            packer.searchNearTop(nearTop);
    }

    bool attempt(double scale) { return packers_[0].attempt(scale); }
    bool attemptVariant(int variant, double scale) {
        packers_[0].useVariant(variant);
        return packers_[0].attempt(scale);
    }

    // Whether each of two variants places every chart at `scale`, tried at once.
    std::array<bool, 2> attemptVariants(int first, int second, double scale) {
        packers_[0].useVariant(first);
        packers_[1].useVariant(second);
        std::array<uint8_t, 2> placed{};
        parallelFor(2, workerCount(), [&](size_t i, size_t) { placed[i] = packers_[i].attempt(scale); });
        return {placed[0] != 0, placed[1] != 0};
    }

    // Whether each of the two scales lets every chart be placed.
    std::array<bool, 2> attempt(double first, double second) {
        const double scales[2] = {first, second};
        std::array<uint8_t, 2> placed{};
        parallelFor(2, workerCount(), [&](size_t i, size_t) { placed[i] = packers_[i].attempt(scales[i]); });
        return {placed[0] != 0, placed[1] != 0};
    }

    // The scale at which the charts should just fit, judged from a failed attempt at `scale` by
    // the `packer`: the area it placed fills the texture.
    double predictedScale(size_t packer, double scale) const {
        return scale * std::sqrt(packers_[packer].placedShare());
    }

    // The layout at the largest scale that either packer placed.
    void writeUVs(const AtlasPackSettings& settings, std::span<float> uvs) const {
        packers_[packers_[1].keptScale() > packers_[0].keptScale() ? 1 : 0].writeUVs(settings, uvs);
    }

private:
    const ChartSet& charts_;
    std::array<AtlasPacker, 2> packers_;
};

// Reports the progress of a part of the packing, mapped onto [from, to] of the whole.
struct ProgressShare {
    const AtlasPackProgress& progress;
    float from = 0.0f, to = 1.0f;

    bool report(float done) const { return !progress || progress(from + (to - from) * std::clamp(done, 0.0f, 1.0f)); }
};

// The largest scale at which every chart is placed, found between `fits` (placed) and `fails`
// (not placed), two scales at a time: shrinks from `fails` until a scale fits when `fits` is
// 0, then closes in on the largest one. A failed attempt tells from the area it placed where
// the answer should lie, and the next two scales straddle that; otherwise they split the
// range in thirds. A `hint`, the scale expected to fit, is tried first. Returns E_FAIL when
// nothing fits and E_ABORT when asked to stop.
HRESULT searchScale(PackerPair& packers, double& fits, double& fails, const ProgressShare& share, double hint = 0.0) {
    double predicted = 0.0;
    auto judge = [&](const std::array<double, 2>& scales, const std::array<bool, 2>& placed) {
        if (placed[1]) {
            fits = scales[1];
            predicted = 0.0;
        } else {
            fails = scales[1];
            predicted = packers.predictedScale(1, scales[1]);
        }
        if (placed[0]) {
            fits = std::max(fits, scales[0]);
        } else {
            fails = std::min(fails, scales[0]);
            if (!placed[1]) predicted = packers.predictedScale(0, scales[0]);
        }
    };
    int attempts = 0;
    const bool hinted = hint > 0.0 && hint * PredictionSlack < fails;
    for (double scale = hinted ? hint * PredictionSlack : fails * ShrinkFactor; fits == 0.0;
         scale = std::min(fails, predicted) * ShrinkFactor) {
        attempts += 2;
        if (attempts > MaxAttempts || !(scale > 0.0)) return E_FAIL;
        const std::array<double, 2> scales{scale * (attempts == 2 && hinted ? 1.0 / PredictionSlack : ShrinkFactor),
                                           scale};
        judge(scales, packers.attempt(scales[0], scales[1]));
        if (!share.report(0.5f * (1.0f - std::pow(0.9f, static_cast<float>(attempts))))) return E_ABORT;
        if (fits == 0.0 && packers.atSmallest(scales[0])) return E_FAIL;
        if (!(predicted > 0.0)) predicted = fails;
    }
    const double tolerance = packers.manyCharts() ? ManyChartsTolerance : RefineTolerance;
    for (int round = 0; round < RefineRounds && fails > fits * tolerance; ++round) {
        const double third = std::cbrt(fails / fits);
        std::array<double, 2> scales{fits * third, fits * third * third};
        const double margin = std::sqrt(tolerance);
        if (predicted > fits * margin && predicted < fails / margin)
            scales = {std::max(fits * margin, predicted / PredictionSlack), std::min(fails / margin, predicted)};
        judge(scales, packers.attempt(scales[0], scales[1]));
        if (!share.report(0.5f + 0.5f * static_cast<float>(round + 1) / RefineRounds)) return E_ABORT;
    }
    return S_OK;
}

// Tries the variants after the first, each at a clearly larger scale than the best so far,
// and closes in on the scale of each that fits there. `improving` receives variant 0 and then
// every variant that beat all before it, so its last entries are the best. Two variants are
// tried at once; the second one's try counts only when the first fails, as the scale to beat
// is then the same.
HRESULT searchVariants(PackerPair& packers, double bound, double& fits, std::vector<int>& improving,
                       const ProgressShare& share) {
    improving.assign(1, 0);
    auto closeIn = [&](int variant, double better) {
        packers.useVariant(variant);
        double fails = bound;
        const HRESULT status = searchScale(packers, better, fails, {share.progress, share.from, share.from});
        if (SUCCEEDED(status)) {
            fits = better;
            improving.push_back(variant);
        }
        return status;
    };
    for (int variant = 1; variant < Variants;) {
        const double better = fits * RefineTolerance;
        const int next = variant + 1;
        std::array<bool, 2> placed{};
        if (better < bound)
            placed = next < Variants ? packers.attemptVariants(variant, next, better)
                                     : std::array<bool, 2>{packers.attemptVariant(variant, better), false};
        if (placed[0])
            if (const HRESULT status = closeIn(variant, better); FAILED(status)) return status;
        if (!share.report(static_cast<float>(variant + 1) / Variants)) return E_ABORT;
        if (placed[0] || next >= Variants || !(better < bound)) {
            ++variant;
            continue;
        }
        if (placed[1])
            if (const HRESULT status = closeIn(next, better); FAILED(status)) return status;
        if (!share.report(static_cast<float>(next + 1) / Variants)) return E_ABORT;
        variant += 2;
    }
    return S_OK;
}

// Packs with the variant first in `candidates`, starting at `hint` when that is not 0, then
// tries the others at a clearly larger scale.
HRESULT searchCandidates(PackerPair& packers, double bound, const std::vector<int>& candidates, double hint,
                         const ProgressShare& share) {
    packers.useVariant(candidates.front());
    double fits = 0.0, fails = bound;
    const float split = share.from + (share.to - share.from) * 0.7f;
    if (const HRESULT status = searchScale(packers, fits, fails, {share.progress, share.from, split}, hint);
        FAILED(status))
        return status;
    for (size_t i = 1; i < candidates.size(); ++i) {
        packers.useVariant(candidates[i]);
        double better = fits * RefineTolerance, above = bound;
        if (better < bound && packers.attempt(better)) {
            if (const HRESULT status = searchScale(packers, better, above, {share.progress, split, split});
                FAILED(status))
                return status;
            fits = better;
        }
    }
    return share.report(1.0f) ? S_OK : E_ABORT;
}

// With many charts most of a full search goes to finding that no hole far below the top takes
// the chart. The scale is bracketed by searches near the top first, then refined by full
// searches, which fill the holes too and so reach a little further.
HRESULT searchManyCharts(PackerPair& packers, double bound, const ProgressShare& share) {
    const float split = share.from + (share.to - share.from) * 0.3f;
    double fits = 0.0, fails = bound;
    packers.searchNearTop(true);
    const HRESULT bracketed = searchScale(packers, fits, fails, {share.progress, share.from, split});
    packers.searchNearTop(false);
    if (bracketed == E_ABORT) return bracketed;
    // Holes far down may still take what the top rows could not: then the full search starts over.
    if (FAILED(bracketed)) {
        fits = 0.0;
        fails = bound;
    } else {
        fails = std::min(bound, fits * FullSearchReach);
    }
    return searchScale(packers, fits, fails, {share.progress, split, share.to});
}

// With few charts, the order they are placed in and the way places are judged matter and
// cost little to vary. The variants are ranked on a grid CoarseFactor times coarser, where a
// trial costs a fraction, and the best is packed on the full grid.
HRESULT pack(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
             const AtlasPackSettings& settings, const AtlasPackProgress& progress) {
    const ChartSet charts = findCharts(indices, adjacency, uvs.size() / 2);
    const ChartBorders borders = findBorders(charts, uvs, indices);
    const bool few = charts.count() <= FewCharts && !settings.quick;
    std::vector<AlignedCharts> poses{alignCharts(charts, uvs, indices, 0.0)};
    if (few) poses.push_back(alignCharts(charts, uvs, indices, 0.25 * std::numbers::pi));
    const bool coarse = few && std::min(settings.width, settings.height) >= CoarseFactor * CoarseSmallestSide;
    std::vector<int> candidates{0};
    double hint = 0.0;
    if (coarse) {
        const AtlasPackSettings coarseSettings{settings.width / CoarseFactor, settings.height / CoarseFactor,
                                               settings.gutter / static_cast<float>(CoarseFactor)};
        PackerPair ranking(charts, borders, poses, indices, coarseSettings);
        const double bound = ranking.scaleBound(coarseSettings);
        double fits = 0.0, fails = bound;
        std::vector<int> improving;
        // Charts that do not fit the coarse grid are left to the full one.
        if (SUCCEEDED(searchScale(ranking, fits, fails, {progress, 0.0f, 0.2f}))) {
            const HRESULT status = searchVariants(ranking, bound, fits, improving, {progress, 0.2f, 0.5f});
            if (FAILED(status)) return status;
            candidates.assign(improving.rbegin(), improving.rbegin() + std::min(improving.size(), FinalCandidates));
            // The coarse grid's scale, in texels, is about the full grid's.
            hint = fits * static_cast<double>(CoarseFactor);
        }
    }
    PackerPair packer(charts, borders, poses, indices, settings);
    const double bound = packer.scaleBound(settings);
    if (few && !coarse) {
        double fits = 0.0, fails = bound;
        if (const HRESULT status = searchScale(packer, fits, fails, {progress, 0.0f, 0.5f}); FAILED(status))
            return status;
        std::vector<int> improving;
        if (const HRESULT status = searchVariants(packer, bound, fits, improving, {progress, 0.5f, 1.0f});
            FAILED(status))
            return status;
    } else if (packer.manyCharts()) {
        if (const HRESULT status = searchManyCharts(packer, bound, {progress, 0.0f, 1.0f}); FAILED(status))
            return status;
    } else if (const HRESULT status =
                   searchCandidates(packer, bound, candidates, hint, {progress, coarse ? 0.5f : 0.0f, 1.0f});
               FAILED(status)) {
        return status;
    }
    packer.writeUVs(settings, uvs);
    // A vertex no triangle uses has no place of its own; the texture's corner keeps every uv inside.
    for (size_t vertex = 0; vertex < charts.vertexSlot.size(); ++vertex)
        if (charts.vertexSlot[vertex] == NoNeighbour) uvs[2 * vertex] = uvs[2 * vertex + 1] = 0.0f;
    return S_OK;
}

} // namespace

HRESULT packChartAtlas(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
                       const AtlasPackSettings& settings, const AtlasPackProgress& progress) {
    if (const HRESULT checked = checkInput(uvs, indices, adjacency, settings); FAILED(checked)) return checked;
    try {
        std::vector<float> packed(uvs.begin(), uvs.end());
        const HRESULT result = pack(packed, indices, adjacency, settings, progress);
        if (SUCCEEDED(result)) std::copy(packed.begin(), packed.end(), uvs.begin());
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        // A worker thread that could not be started.
        return E_FAIL;
    }
}

} // namespace Isochart
