#include "ChartAtlasPacker.h"

#include "isochart/BoundingRectangle.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>
#include <numeric>
#include <vector>

namespace Isochart {

namespace {

constexpr uint32_t NoNeighbour = 0xFFFFFFFFu;
// Larger textures are packed on a grid of cells of several texels each.
constexpr size_t MaxGridSide = 8192;
static_assert(MaxGridSide < 32768, "run lengths of a grid row are 16-bit");
constexpr int QuarterTurns = 4;
// With this many charts the upright and the quarter-turned chart are tried, not all four
// turns: the search costs half as much and small charts gain little from the other two.
constexpr size_t ManyCharts = 2048;
// Every chart is rasterised this much larger (in cells), so float rounding of the final uvs
// can never bring two charts closer than the gutter.
constexpr double CoverageMargin = 0.01;
constexpr double ShrinkFactor = 0.85;
constexpr int RefineSteps = 6;
constexpr double RefineTolerance = 1.004;
constexpr int MaxAttempts = 200;
// Up to this many charts, several placement orders are tried.
constexpr size_t FewCharts = 256;
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

struct Point {
    double x, y;
};

double cross(const Point& origin, const Point& a, const Point& b) {
    return (a.x - origin.x) * (b.y - origin.y) - (a.y - origin.y) * (b.x - origin.x);
}

// Every chart turned onto its smallest bounding rectangle and moved to the origin.
struct AlignedCharts {
    std::vector<Point> local; // per entry of ChartSet::vertices
    std::vector<Point> extent;
    std::vector<double> area;
};

AlignedCharts alignCharts(const ChartSet& charts, std::span<const float> uvs, std::span<const uint32_t> indices) {
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
        const double angle = smallestRectangle(hull).angle;
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

// The texture as, per cell, the length of the run it starts: free cells hold the number of
// free cells from them to the right, occupied cells minus the number of occupied ones. With the
// longest free run of every row and of every block of cells in a row, one read tells whether
// a run of cells is free, and the next place worth trying skips whole runs and blocks.
class OccupancyGrid {
public:
    void reset(size_t width, size_t height) {
        assert(width <= MaxGridSide);
        width_ = width;
        height_ = height;
        runs_.resize(width * height);
        for (size_t row = 0; row < height; ++row)
            for (size_t column = 0; column < width; ++column)
                runs_[row * width + column] = static_cast<int16_t>(width - column);
        longestFree_.assign(height, static_cast<uint32_t>(width));
        freeCells_ = width * height;
        freeInRow_.assign(height, width);
        blocksPerRow_ = (width + BlockSize - 1) / BlockSize;
        blockLongest_.resize(blocksPerRow_ * height);
        for (size_t row = 0; row < height; ++row)
            for (size_t block = 0; block < blocksPerRow_; ++block)
                blockLongest_[row * blocksPerRow_ + block] = static_cast<int16_t>(width - block * BlockSize);
    }

    size_t width() const { return width_; }
    size_t height() const { return height_; }
    uint32_t longestFree(size_t row) const { return longestFree_[row]; }
    bool freeRun(size_t row, size_t column, size_t length) const {
        return runs_[row * width_ + column] >= static_cast<long>(length);
    }

    // The first column at or after `column` (and not beyond `limit`) where `length` free cells
    // start, or a column beyond `limit`.
    size_t nextRoom(size_t row, size_t column, size_t length, size_t limit) const {
        const int16_t* cells = &runs_[row * width_];
        const int16_t* blocks = &blockLongest_[row * blocksPerRow_];
        const long needed = static_cast<long>(length);
        while (column <= limit && cells[column] < needed) {
            const size_t block = column / BlockSize;
            if (blocks[block] < needed)
                column = (block + 1) * BlockSize;
            else
                column += static_cast<size_t>(std::abs(cells[column]));
        }
        return column;
    }

    size_t freeCells() const { return freeCells_; }
    size_t freeCellsInRow(size_t row) const { return freeInRow_[row]; }

    // Marks cells occupied; the row's runs are stale until refreshRow.
    void occupy(size_t row, size_t first, size_t last) {
        assert(first <= last && last < width_);
        int16_t* cells = &runs_[row * width_];
        size_t taken = 0;
        for (size_t column = first; column <= last; ++column) {
            taken += cells[column] > 0;
            cells[column] = 0;
        }
        freeCells_ -= taken;
        freeInRow_[row] -= taken;
    }

    void refreshRow(size_t row) {
        int16_t* cells = &runs_[row * width_];
        int16_t* blocks = &blockLongest_[row * blocksPerRow_];
        int16_t freeRun = 0, occupiedRun = 0, longest = 0;
        for (size_t block = blocksPerRow_; block-- > 0;) {
            int16_t blockLongest = 0;
            for (size_t column = std::min(width_, (block + 1) * BlockSize); column-- > block * BlockSize;) {
                if (cells[column] > 0) {
                    occupiedRun = 0;
                    cells[column] = ++freeRun;
                    blockLongest = std::max(blockLongest, freeRun);
                } else {
                    freeRun = 0;
                    cells[column] = static_cast<int16_t>(-++occupiedRun);
                }
            }
            blocks[block] = blockLongest;
            longest = std::max(longest, blockLongest);
        }
        longestFree_[row] = static_cast<uint32_t>(longest);
    }

private:
    static constexpr size_t BlockSize = 64;

    size_t width_ = 0, height_ = 0, blocksPerRow_ = 0, freeCells_ = 0;
    std::vector<int16_t> runs_, blockLongest_;
    std::vector<uint32_t> longestFree_;
    std::vector<size_t> freeInRow_;
};

// The cells a chart covers, as runs per row, with the widest run of every row.
struct CoverageMask {
    struct Run {
        uint32_t row, first, last;
    };
    size_t width = 0, height = 0;
    std::vector<Run> runs;
    std::vector<uint32_t> widest;
};

struct Placement {
    long x = 0, y = 0;
    int turn = 0;
};

// Scratch reused over all charts and attempts.
struct PackScratch {
    std::vector<Point> cells;
    std::vector<uint8_t> bitmap;
    std::vector<CoverageMask::Run> runs;
    CoverageMask masks[QuarterTurns];
};

class AtlasPacker {
public:
    AtlasPacker(const ChartSet& charts, const AlignedCharts& aligned, std::span<const uint32_t> indices,
                const AtlasPackSettings& settings)
        : charts_(charts), aligned_(aligned), indices_(indices) {
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
        placements_.assign(charts_.count(), {});
        const double cellsPerArea = scale * scale / static_cast<double>(cellX_ * cellY_);
        for (size_t i = 0; i < order_.size(); ++i) {
            // The charts still to come cover at least their area: give up once it exceeds the room.
            if (areaStillToPlace_[i] * cellsPerArea > static_cast<double>(grid_.freeCells())) return false;
            const uint32_t chart = order_[i];
            rasterise(chart, scale);
            Placement best;
            long bestTop = std::numeric_limits<long>::max();
            for (const int turn : turns_) {
                CoverageMask& mask = scratch_.masks[turn];
                buildMask(turn, mask);
                long x, y;
                const long yLimit = bestTop - static_cast<long>(mask.height) - 1;
                if (findPlace(mask, yLimit, x, y) && y + static_cast<long>(mask.height) < bestTop) {
                    bestTop = y + static_cast<long>(mask.height);
                    best = {x, y, turn};
                }
            }
            if (bestTop == std::numeric_limits<long>::max()) return false;
            occupy(scratch_.masks[best.turn], best);
            placements_[chart] = best;
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

    // Texture uvs of the last successful attempt.
    void writeUVs(const AtlasPackSettings& settings, std::span<float> uvs) const {
        for (size_t chart = 0; chart < charts_.count(); ++chart) {
            const Placement& place = kept_[chart];
            const Point box = boxSize(chart, keptScale_);
            for (uint32_t slot = charts_.vertexStart[chart]; slot < charts_.vertexStart[chart + 1]; ++slot) {
                const Point p = quarterTurn(toCells(aligned_.local[slot], keptScale_), box.x, box.y, place.turn);
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

    // Cells of the chart's unturned box at `scale`.
    Point boxSize(uint32_t chart, double scale) const {
        const Point& e = aligned_.extent[chart];
        return {std::floor(2 * CoverageMargin + e.x * scale / cellX_) + 1,
                std::floor(2 * CoverageMargin + e.y * scale / cellY_) + 1};
    }

    // Conservative coverage of the unturned chart: every cell its triangles come within
    // CoverageMargin of.
    void rasterise(uint32_t chart, double scale) {
        const Point box = boxSize(chart, scale);
        bitmapWidth_ = static_cast<size_t>(box.x);
        bitmapHeight_ = static_cast<size_t>(box.y);
        const uint32_t first = charts_.vertexStart[chart];
        std::vector<Point>& cells = scratch_.cells;
        cells.resize(charts_.vertexStart[chart + 1] - first);
        for (size_t slot = 0; slot < cells.size(); ++slot)
            cells[slot] = toCells(aligned_.local[first + slot], scale);
        std::vector<uint8_t>& bitmap = scratch_.bitmap;
        bitmap.assign(bitmapWidth_ * bitmapHeight_, 0);
        for (uint32_t i = charts_.triangleStart[chart]; i < charts_.triangleStart[chart + 1]; ++i) {
            const uint32_t* corners = &indices_[3 * charts_.triangles[i]];
            const Point triangle[3] = {cells[charts_.vertexSlot[corners[0]]], cells[charts_.vertexSlot[corners[1]]],
                                       cells[charts_.vertexSlot[corners[2]]]};
            rasteriseTriangle(triangle, bitmapWidth_, bitmapHeight_, bitmap);
        }
    }

    // The runs of the rasterised chart turned `turn` quarter-turns.
    void buildMask(int turn, CoverageMask& mask) {
        const size_t width = bitmapWidth_, height = bitmapHeight_;
        mask.width = turn % 2 ? height : width;
        mask.height = turn % 2 ? width : height;
        const std::vector<uint8_t>& bitmap = scratch_.bitmap;
        // The unturned cell that lands on cell (column, row) of the turned box.
        auto covered = [&](size_t column, size_t row) {
            switch (turn) {
            case 1:
                return bitmap[(height - 1 - column) * width + row];
            case 2:
                return bitmap[(height - 1 - row) * width + (width - 1 - column)];
            case 3:
                return bitmap[column * width + (width - 1 - row)];
            default:
                return bitmap[row * width + column];
            }
        };
        mask.runs.clear();
        mask.widest.assign(mask.height, 0);
        for (uint32_t row = 0; row < mask.height; ++row) {
            for (uint32_t column = 0; column < mask.width;) {
                if (!covered(column, row)) {
                    ++column;
                    continue;
                }
                const uint32_t start = column;
                while (column < mask.width && covered(column, row))
                    ++column;
                mask.runs.push_back({row, start, column - 1});
                mask.widest[row] = std::max(mask.widest[row], column - start);
            }
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

    static void rasteriseTriangle(const Point (&triangle)[3], size_t width, size_t height,
                                  std::vector<uint8_t>& bitmap) {
        const double low = std::min({triangle[0].y, triangle[1].y, triangle[2].y}) - CoverageMargin;
        const double high = std::max({triangle[0].y, triangle[1].y, triangle[2].y}) + CoverageMargin;
        const long firstRow = std::max(0L, static_cast<long>(std::floor(low)));
        const long lastRow = std::min(static_cast<long>(height) - 1, static_cast<long>(std::floor(high)));
        for (long row = firstRow; row <= lastRow; ++row) {
            const double bottom = row - CoverageMargin, top = row + 1 + CoverageMargin;
            double left = std::numeric_limits<double>::infinity(), right = -left;
            for (int k = 0; k < 3; ++k) {
                const Point& a = triangle[k];
                const Point& b = triangle[(k + 1) % 3];
                if (a.y >= bottom && a.y <= top) {
                    left = std::min(left, a.x);
                    right = std::max(right, a.x);
                }
                if (a.y == b.y) continue;
                for (const double line : {bottom, top}) {
                    if ((line - a.y) * (line - b.y) > 0) continue;
                    const double x = a.x + (line - a.y) / (b.y - a.y) * (b.x - a.x);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
            if (left > right) continue;
            const long firstColumn = std::max(0L, static_cast<long>(std::floor(left - CoverageMargin)));
            const long lastColumn =
                std::min(static_cast<long>(width) - 1, static_cast<long>(std::floor(right + CoverageMargin)));
            for (long column = firstColumn; column <= lastColumn; ++column)
                bitmap[row * width + column] = 1;
        }
    }

    // The lowest, then leftmost, place (rows up to yLimit) where every run of the mask lies on
    // free cells. A blocked run moves the mask to the next place where that run fits its row.
    bool findPlace(const CoverageMask& mask, long yLimit, long& placeX, long& placeY) const {
        if (mask.width > grid_.width() || mask.height > grid_.height() || mask.runs.empty()) return false;
        const long lastY = std::min(yLimit, static_cast<long>(grid_.height() - mask.height));
        const size_t lastX = grid_.width() - mask.width;
        size_t blocker = 0;
        for (long y = static_cast<long>(openFrom_); y <= lastY; ++y) {
            bool roomy = true;
            for (size_t row = 0; row < mask.height && roomy; ++row)
                roomy = grid_.longestFree(y + row) >= mask.widest[row];
            if (!roomy) continue;
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
    const AlignedCharts& aligned_;
    std::span<const uint32_t> indices_;
    size_t cellX_, cellY_, gridWidth_, gridHeight_, gutterX_, gutterY_;
    std::vector<int> turns_;
    std::vector<uint32_t> order_;
    std::vector<double> areaStillToPlace_; // chart area from each place in the order on
    size_t bitmapWidth_ = 0, bitmapHeight_ = 0;
    size_t openFrom_ = 0; // the lowest row still searched
    OccupancyGrid grid_;
    std::vector<Placement> placements_, kept_;
    double keptScale_ = 0.0;
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

HRESULT pack(std::span<float> uvs, std::span<const uint32_t> indices, std::span<const uint32_t> adjacency,
             const AtlasPackSettings& settings, const AtlasPackProgress& progress) {
    const ChartSet charts = findCharts(indices, adjacency, uvs.size() / 2);
    const AlignedCharts aligned = alignCharts(charts, uvs, indices);
    AtlasPacker packer(charts, aligned, indices, settings);

    // Shrink from below the largest useful scale until everything fits, then close in on the
    // largest scale that fits between the first success and the last failure.
    const double bound = packer.scaleBound(settings);
    double fails = bound, scale = bound * ShrinkFactor;
    int attempts = 0;
    while (true) {
        if (++attempts > MaxAttempts || !(scale > 0.0)) return E_FAIL;
        const bool placed = packer.attempt(scale);
        if (progress && !progress(0.4f * (1.0f - std::pow(0.9f, static_cast<float>(attempts))))) return E_ABORT;
        if (placed) break;
        if (packer.atSmallest(scale)) return E_FAIL;
        fails = scale;
        scale *= ShrinkFactor;
    }
    double fits = scale;
    auto refine = [&](float progressFrom, float progressTo) {
        for (int step = 0; step < RefineSteps && fails > fits * RefineTolerance; ++step) {
            const double middle = std::sqrt(fits * fails);
            if (packer.attempt(middle))
                fits = middle;
            else
                fails = middle;
            const float done = static_cast<float>(step + 1) / RefineSteps;
            if (progress && !progress(progressFrom + (progressTo - progressFrom) * done)) return false;
        }
        return true;
    };
    if (!refine(0.4f, 0.6f)) return E_ABORT;

    // With few charts the order they are placed in matters and costs little to vary: another
    // order is kept only when it fits at a clearly larger scale.
    if (charts.count() <= FewCharts) {
        for (size_t order = 1; order < std::size(AtlasPacker::Orders); ++order) {
            packer.useOrder(AtlasPacker::Orders[order]);
            const double better = fits * RefineTolerance;
            if (better >= bound || !packer.attempt(better)) continue;
            fits = better;
            fails = bound;
            const float from = 0.6f + 0.2f * static_cast<float>(order - 1);
            if (!refine(from, from + 0.2f)) return E_ABORT;
        }
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
    }
}

} // namespace Isochart
