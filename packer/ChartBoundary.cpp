#include "ChartBoundary.h"

#include "Geometry.h"

#include <algorithm>
#include <cassert>
#include <numeric>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr double kStraightTolerance = 1e-8;
constexpr double kCollinearAngle = 0.01;

int cellIndex(double offset, double cellSize, int cells) {
    if (!(offset > 0.0)) return 0;
    const double index = std::floor(offset / cellSize);
    return index >= cells - 1 ? cells - 1 : static_cast<int>(index);
}

} // namespace

bool BoundaryTracer::trace(std::span<const Point2> uvs, std::span<const uint32_t> corners,
                           std::vector<OutlineEdge>& edges, std::vector<uint32_t>& loopStarts) {
    edges.clear();
    loopStarts.clear();
    if (!collectGraph(uvs, corners)) return false;
    indexEdges();
    markCoverage(uvs, corners);

    loops_.resize(1);
    const Point2 start = points_[rightmost_];
    if (!walk(rightmost_, {start.x + 1.0, start.y}, loops_[0])) return false;
    if (!traceHoles(loops_)) return false;

    for (size_t loop = 0; loop < loops_.size(); ++loop) {
        const std::vector<uint32_t>& points = loops_[loop];
        if (loop > 0) loopStarts.push_back(static_cast<uint32_t>(edges.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            OutlineEdge edge;
            edge.start = points_[points[i]];
            edge.end = points_[points[(i + 1) % points.size()]];
            edge.loop_length = i == 0 ? static_cast<uint32_t>(points.size()) : 0u;
            edge.outer = loop == 0;
            edges.push_back(edge);
        }
    }
    return true;
}

// The chart's distinct edges over its distinct vertices, with vertices at one position
// merged into the first of them.
bool BoundaryTracer::collectGraph(std::span<const Point2> uvs, std::span<const uint32_t> corners) {
    edges_.clear();
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = corners[t + k];
            const uint32_t b = corners[t + (k + 1) % 3];
            if (a != b) edges_.push_back({std::min(a, b), std::max(a, b)});
        }
    }
    std::sort(edges_.begin(), edges_.end());
    edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());

    vertexIds_.clear();
    for (const auto& edge : edges_)
        vertexIds_.insert(vertexIds_.end(), edge.begin(), edge.end());
    std::sort(vertexIds_.begin(), vertexIds_.end());
    vertexIds_.erase(std::unique(vertexIds_.begin(), vertexIds_.end()), vertexIds_.end());
    if (vertexIds_.empty()) return false;

    points_.resize(vertexIds_.size());
    for (size_t i = 0; i < vertexIds_.size(); ++i) {
        points_[i] = uvs[vertexIds_[i]];
        if (!isFinite(points_[i])) return false;
    }
    rightmost_ = 0;
    for (uint32_t i = 1; i < points_.size(); ++i) {
        const Point2 p = points_[i], best = points_[rightmost_];
        if (p.x > best.x || (p.x == best.x && p.y > best.y)) rightmost_ = i;
    }

    // Sorting by position, then by number, puts every vertex's first twin at the front of
    // its group.
    std::vector<uint32_t>& order = visitStamp_;
    order.resize(points_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
        const Point2 p = points_[a], q = points_[b];
        return p.x != q.x ? p.x < q.x : (p.y != q.y ? p.y < q.y : a < b);
    });
    std::vector<uint32_t> representative(points_.size());
    for (size_t i = 0; i < order.size(); ++i)
        representative[order[i]] =
            (i > 0 && points_[order[i]] == points_[order[i - 1]]) ? representative[order[i - 1]] : order[i];
    rightmost_ = representative[rightmost_];

    size_t kept = 0;
    for (const auto& edge : edges_) {
        const uint32_t a = representative[static_cast<size_t>(
            std::lower_bound(vertexIds_.begin(), vertexIds_.end(), edge[0]) - vertexIds_.begin())];
        const uint32_t b = representative[static_cast<size_t>(
            std::lower_bound(vertexIds_.begin(), vertexIds_.end(), edge[1]) - vertexIds_.begin())];
        if (a != b) edges_[kept++] = {std::min(a, b), std::max(a, b)};
    }
    edges_.resize(kept);
    std::sort(edges_.begin(), edges_.end());
    edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());
    if (edges_.size() < 3) return false;

    vertexEdges_.resize(points_.size());
    for (auto& list : vertexEdges_)
        list.clear();
    for (uint32_t e = 0; e < edges_.size(); ++e) {
        vertexEdges_[edges_[e][0]].push_back(e);
        vertexEdges_[edges_[e][1]].push_back(e);
    }
    edgeTraced_.assign(edges_.size(), 0);
    visitStamp_.assign(points_.size(), 0);
    stamp_ = 0;
    return true;
}

// About two edges to a cell on average.
void BoundaryTracer::indexEdges() {
    Point2 low{kLargest, kLargest}, high{-kLargest, -kLargest};
    for (const Point2 p : points_) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    gridSize_ = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(edges_.size()) / 2.0)), 1, 512);
    gridMin_ = low;
    gridCell_ = (high - low) * (1.0 / gridSize_);
    const size_t cells = static_cast<size_t>(gridSize_) * gridSize_;
    if (gridCells_.size() < cells) gridCells_.resize(cells);
    for (size_t cell = 0; cell < cells; ++cell)
        gridCells_[cell].clear();
    for (uint32_t e = 0; e < edges_.size(); ++e)
        addToIndex(e);
}

// The cells (first and last column, first and last row) that the box low-high meets;
// points outside the chart's box count in the border cells.
void BoundaryTracer::cellRange(Point2 low, Point2 high, int (&range)[4]) const {
    auto index = [this](double offset, double cell) {
        if (!(offset > 0.0) || !(cell > 0.0)) return 0;
        const double i = std::floor(offset / cell);
        return i >= gridSize_ - 1 ? gridSize_ - 1 : static_cast<int>(i);
    };
    range[0] = index(low.x - gridMin_.x, gridCell_.x);
    range[1] = index(high.x - gridMin_.x, gridCell_.x);
    range[2] = index(low.y - gridMin_.y, gridCell_.y);
    range[3] = index(high.y - gridMin_.y, gridCell_.y);
}

void BoundaryTracer::addToIndex(uint32_t edge) {
    const Point2 a = points_[edges_[edge][0]], b = points_[edges_[edge][1]];
    int range[4];
    cellRange({std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}, range);
    for (int row = range[2]; row <= range[3]; ++row)
        for (int column = range[0]; column <= range[1]; ++column)
            gridCells_[static_cast<size_t>(row) * gridSize_ + column].push_back(edge);
}

// The edges numbered below `below` whose cells meet the box low-high, in ascending order:
// the order in which a scan of all edges would meet them.
void BoundaryTracer::edgesNear(Point2 low, Point2 high, uint32_t below) {
    nearEdges_.clear();
    int range[4];
    cellRange(low, high, range);
    for (int row = range[2]; row <= range[3]; ++row)
        for (int column = range[0]; column <= range[1]; ++column)
            for (const uint32_t edge : gridCells_[static_cast<size_t>(row) * gridSize_ + column])
                if (edge < below) nearEdges_.push_back(edge);
    std::sort(nearEdges_.begin(), nearEdges_.end());
    nearEdges_.erase(std::unique(nearEdges_.begin(), nearEdges_.end()), nearEdges_.end());
}

void BoundaryTracer::markCoverage(std::span<const Point2> uvs, std::span<const uint32_t> corners) {
    Point2 low{kLargest, kLargest}, high{-kLargest, -kLargest};
    for (const Point2 p : points_) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    boxMin_ = low;
    cellSize_ = (high - low) * (1.0 / kRasterSize);
    hasRaster_ = cellSize_.x > 0.0 && cellSize_.y > 0.0 && std::isfinite(cellSize_.x) && std::isfinite(cellSize_.y);
    if (!hasRaster_) return;
    raster_.assign(kRasterSize * kRasterSize, 0);
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        const Point2 corner[3] = {uvs[corners[t]], uvs[corners[t + 1]], uvs[corners[t + 2]]};
        if (isFinite(corner[0]) && isFinite(corner[1]) && isFinite(corner[2])) markTriangleCoverage(corner);
    }
}

// Marks, row band by row band, the cells between the triangle's leftmost and rightmost
// points within the band.
void BoundaryTracer::markTriangleCoverage(const Point2 (&corner)[3]) {
    const double minY = std::min({corner[0].y, corner[1].y, corner[2].y});
    const double maxY = std::max({corner[0].y, corner[1].y, corner[2].y});
    const int firstRow = cellIndex(minY - boxMin_.y, cellSize_.y, kRasterSize);
    const int lastRow = cellIndex(maxY - boxMin_.y, cellSize_.y, kRasterSize);
    for (int row = firstRow; row <= lastRow; ++row) {
        const double bandLow = boxMin_.y + row * cellSize_.y;
        const double bandHigh = bandLow + cellSize_.y;
        double left = kLargest, right = -kLargest;
        auto include = [&](double x) {
            left = std::min(left, x);
            right = std::max(right, x);
        };
        for (int k = 0; k < 3; ++k) {
            const Point2 p = corner[k], q = corner[(k + 1) % 3];
            if (p.y >= bandLow && p.y <= bandHigh) include(p.x);
            for (const double line : {bandLow, bandHigh}) {
                if (p.y == q.y) {
                    if (p.y == line) {
                        include(p.x);
                        include(q.x);
                    }
                } else if (std::min(p.y, q.y) <= line && line <= std::max(p.y, q.y)) {
                    include(p.x + (line - p.y) / (q.y - p.y) * (q.x - p.x));
                }
            }
        }
        if (left > right) continue;
        const int firstColumn = cellIndex(left - boxMin_.x, cellSize_.x, kRasterSize);
        const int lastColumn = cellIndex(right - boxMin_.x, cellSize_.x, kRasterSize);
        for (int column = firstColumn; column <= lastColumn; ++column)
            raster_[row * kRasterSize + column] = 1;
    }
}

// Fills the empty region around a cell, over the eight neighbours of every cell.
void BoundaryTracer::floodFill(int row, int column) {
    if (raster_[row * kRasterSize + column] != 0) return;
    raster_[row * kRasterSize + column] = 2;
    fillStack_.assign(1, row * kRasterSize + column);
    while (!fillStack_.empty()) {
        const int cell = fillStack_.back();
        fillStack_.pop_back();
        const int r = cell / kRasterSize, c = cell % kRasterSize;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                const int nr = r + dr, nc = c + dc;
                if (nr < 0 || nc < 0 || nr >= kRasterSize || nc >= kRasterSize) continue;
                if (raster_[nr * kRasterSize + nc] != 0) continue;
                raster_[nr * kRasterSize + nc] = 2;
                fillStack_.push_back(nr * kRasterSize + nc);
            }
        }
    }
}

bool BoundaryTracer::traceHoles(std::vector<std::vector<uint32_t>>& loops) {
    if (!hasRaster_) return true;
    for (int i = 0; i < kRasterSize; ++i) {
        floodFill(0, i);
        floodFill(kRasterSize - 1, i);
        floodFill(i, 0);
        floodFill(i, kRasterSize - 1);
    }
    for (int row = 1; row < kRasterSize - 1; ++row) {
        for (int column = 1; column < kRasterSize - 1; ++column) {
            if (raster_[row * kRasterSize + column] != 0) continue;
            const Point2 centre{boxMin_.x + (column + 0.5) * cellSize_.x, boxMin_.y + (row + 0.5) * cellSize_.y};
            // The nearest edge met by a ray from the centre to one unit left of the box.
            uint32_t hit = kNone;
            double hitX = boxMin_.x - 1.0;
            for (uint32_t e = 0; e < edges_.size(); ++e) {
                const Point2 p = points_[edges_[e][0]], q = points_[edges_[e][1]];
                if (p.y == q.y || centre.y < std::min(p.y, q.y) || centre.y > std::max(p.y, q.y)) continue;
                const double x = p.x + (centre.y - p.y) / (q.y - p.y) * (q.x - p.x);
                if (x <= centre.x && (x > hitX || (hit == kNone && x == hitX))) {
                    hit = e;
                    hitX = x;
                }
            }
            if (hit != kNone && edgeTraced_[hit] == 0) {
                const Point2 meeting{hitX, centre.y};
                uint32_t vertex;
                if (points_[edges_[hit][0]] == meeting) {
                    vertex = edges_[hit][0];
                } else if (points_[edges_[hit][1]] == meeting) {
                    vertex = edges_[hit][1];
                } else {
                    vertex = static_cast<uint32_t>(points_.size());
                    points_.push_back(meeting);
                    vertexEdges_.emplace_back();
                    visitStamp_.push_back(0);
                    splitEdge(hit, edges_[hit][0], vertex);
                }
                loops.emplace_back();
                if (!walk(vertex, centre, loops.back())) return false;
            }
            floodFill(row, column);
        }
    }
    return true;
}

// Walks along the outside of the edge graph from `start`, always taking the edge reached
// first when the direction back to the previous point turns counter-clockwise, so that
// the swept wedge is empty and interior edges are never taken. Succeeds on returning to
// `start`; fails on meeting any other vertex twice.
bool BoundaryTracer::walk(uint32_t start, Point2 previous, std::vector<uint32_t>& loop) {
    loop.assign(1, start);
    ++stamp_;
    visitStamp_[start] = stamp_;
    uint32_t current = start;
    StraightRun run;
    const size_t stepLimit = 8 * (edges_.size() + points_.size()) + 1024;
    for (size_t step = 0; step < stepLimit; ++step) {
        splitEdgesThrough(current);
        const Point2 here = points_[current];
        const Point2 back = previous - here;
        uint32_t chosen = kNone;
        double chosenTurn = 0.0;
        for (const uint32_t e : vertexEdges_[current]) {
            const Point2 direction = points_[otherEnd(e, current)] - here;
            const bool degenerate = (direction.x == 0.0 && direction.y == 0.0) || (back.x == 0.0 && back.y == 0.0);
            const double turn = degenerate ? 3.0 * std::numbers::pi : turnAngle(back, direction);
            if (chosen == kNone || turn < chosenTurn) {
                chosen = e;
                chosenTurn = turn;
            }
        }
        if (chosen == kNone) return false;
        const uint32_t next = splitAtNearestMeeting(chosen, current);
        edgeTraced_[chosen] = 1;
        const bool straight = step > 0 && loop.size() > 1 &&
                              std::abs(chosenTurn - std::numbers::pi) < kStraightTolerance &&
                              run.admits(here, points_[next]);
        if (next == start) {
            if (straight) loop.pop_back();
            return true;
        }
        if (visitStamp_[next] == stamp_) return false;
        visitStamp_[next] = stamp_;
        if (straight) {
            run.merge(here);
            loop.back() = next;
        } else {
            run.restart(here);
            loop.push_back(next);
        }
        previous = here;
        current = next;
    }
    return false;
}

// Before stepping along `edge` from `from`, finds the meeting with another edge nearest to
// `from` (a crossing, an end point lying on the edge, or a shorter collinear edge from the
// same vertex) and splits there. Returns the vertex the step goes to.
uint32_t BoundaryTracer::splitAtNearestMeeting(uint32_t edge, uint32_t from) {
    const uint32_t to = otherEnd(edge, from);
    const Point2 origin = points_[from];
    const Point2 direction = points_[to] - origin;
    const double lengthSquared = dot(direction, direction);
    if (!(lengthSquared > 0.0)) return to;

    double bestT = 1.0;
    uint32_t bestVertex = kNone;
    uint32_t crossedEdge = kNone;
    Point2 crossing;
    auto consider = [&](double t, uint32_t vertex, uint32_t crossed, Point2 point) {
        if (t > 0.0 && t < bestT) {
            bestT = t;
            bestVertex = vertex;
            crossedEdge = crossed;
            crossing = point;
        }
    };
    edgesNear({std::min(origin.x, points_[to].x), std::min(origin.y, points_[to].y)},
              {std::max(origin.x, points_[to].x), std::max(origin.y, points_[to].y)},
              static_cast<uint32_t>(edges_.size()));
    for (const uint32_t g : nearEdges_) {
        if (g == edge) continue;
        const uint32_t a = edges_[g][0], b = edges_[g][1];
        if (a == from || b == from) {
            const uint32_t far = a == from ? b : a;
            if (far == to) continue;
            const Point2 along = points_[far] - origin;
            const double angle = turnAngle(direction, along);
            if ((angle < kCollinearAngle || angle > kTwoPi - kCollinearAngle) && dot(along, along) < lengthSquared)
                consider(dot(along, direction) / lengthSquared, far, kNone, {});
            continue;
        }
        if (a == to || b == to) continue;
        const Point2 pa = points_[a], pb = points_[b];
        const Point2 other = pb - pa;
        const double denominator = cross(direction, other);
        if (denominator == 0.0) {
            // A collinear overlapping edge meets this one where its end points lie inside it.
            if (cross(pa - origin, direction) != 0.0) continue;
            for (const uint32_t end : {a, b}) {
                const double t = dot(points_[end] - origin, direction) / lengthSquared;
                if (t < 1.0) consider(t, end, kNone, {});
            }
            continue;
        }
        const double t = cross(pa - origin, other) / denominator;
        const double u = cross(pa - origin, direction) / denominator;
        if (!(t > 0.0 && t < 1.0) || u < 0.0 || u > 1.0) continue;
        if (u == 0.0)
            consider(t, a, kNone, {});
        else if (u == 1.0)
            consider(t, b, kNone, {});
        else
            consider(t, kNone, g, origin + direction * t);
    }
    if (bestVertex == kNone && crossedEdge == kNone) return to;
    if (bestVertex == kNone) {
        bestVertex = static_cast<uint32_t>(points_.size());
        points_.push_back(crossing);
        vertexEdges_.emplace_back();
        visitStamp_.push_back(0);
        splitEdge(crossedEdge, edges_[crossedEdge][0], bestVertex);
    }
    splitEdge(edge, from, bestVertex);
    return bestVertex;
}

// Splits at `vertex` every edge that runs through it without ending there, so that the
// walk can turn onto such an edge (a vertex of one triangle on the side of another).
void BoundaryTracer::splitEdgesThrough(uint32_t vertex) {
    const Point2 p = points_[vertex];
    edgesNear(p, p, static_cast<uint32_t>(edges_.size()));
    for (const uint32_t e : nearEdges_) {
        const uint32_t a = edges_[e][0], b = edges_[e][1];
        if (a == vertex || b == vertex) continue;
        const Point2 pa = points_[a], pb = points_[b];
        if (p.x < std::min(pa.x, pb.x) || p.x > std::max(pa.x, pb.x) || p.y < std::min(pa.y, pb.y) ||
            p.y > std::max(pa.y, pb.y))
            continue;
        if (cross(pb - pa, p - pa) != 0.0 || p == pa || p == pb) continue;
        splitEdge(e, a, vertex);
    }
}

// Shortens `edge` to run from `keepEnd` to `at` and adds the rest as a new edge.
uint32_t BoundaryTracer::splitEdge(uint32_t edge, uint32_t keepEnd, uint32_t at) {
    assert(edges_[edge][0] == keepEnd || edges_[edge][1] == keepEnd);
    const uint32_t far = otherEnd(edge, keepEnd);
    const uint32_t added = static_cast<uint32_t>(edges_.size());
    edges_[edge] = {keepEnd, at};
    edges_.push_back({at, far});
    edgeTraced_.push_back(edgeTraced_[edge]);
    addToIndex(added);
    std::replace(vertexEdges_[far].begin(), vertexEdges_[far].end(), edge, added);
    vertexEdges_[at].push_back(edge);
    vertexEdges_[at].push_back(added);
    return added;
}

} // namespace OmbrixVectorPacker
