#include "isochart/ChartMerging.h"

#include "isochart/ParallelFor.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <queue>
#include <set>

namespace Isochart {

namespace {

struct Candidate {
    double key;
    uint32_t a, b;
    uint32_t versionA, versionB;
    bool operator>(const Candidate& other) const {
        return key != other.key ? key > other.key : (a != other.a ? a > other.a : b > other.b);
    }
};

constexpr size_t kBatchSize = 8;

// A first image of the merged chart: `first` as it is and `second` moved onto it by the
// similarity that best fits their common vertices. False when they share fewer than two.
bool joinedImage(const FlatChart& first, const FlatChart& second, const ChartMesh& merged,
                 std::vector<Eigen::Vector2d>& image) {
    const size_t count = merged.vertexCount();
    image.assign(count, Eigen::Vector2d::Zero());
    std::vector<Eigen::Vector2d> other(count, Eigen::Vector2d::Zero());
    std::vector<uint8_t> source(count, 0); // bit 1: from first, bit 2: from second
    for (uint32_t t = 0; t < merged.triangleCount(); ++t) {
        const uint32_t input = merged.triangles[t];
        const uint32_t inFirst = localTriangle(first.mesh, input);
        const FlatChart& owner = inFirst != kNil ? first : second;
        const uint32_t local = inFirst != kNil ? inFirst : localTriangle(second.mesh, input);
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = merged.corners[t][k];
            (inFirst != kNil ? image : other)[v] = owner.uv[owner.mesh.corners[local][k]];
            source[v] |= inFirst != kNil ? 1 : 2;
        }
    }
    Eigen::Vector2d centreFrom = Eigen::Vector2d::Zero(), centreTo = Eigen::Vector2d::Zero();
    size_t pairs = 0;
    for (size_t v = 0; v < count; ++v)
        if (source[v] == 3) {
            centreFrom += other[v];
            centreTo += image[v];
            ++pairs;
        }
    if (pairs < 2) return false;
    centreFrom /= double(pairs);
    centreTo /= double(pairs);
    double along = 0.0, across = 0.0, spread = 0.0;
    for (size_t v = 0; v < count; ++v)
        if (source[v] == 3) {
            const Eigen::Vector2d p = other[v] - centreFrom, q = image[v] - centreTo;
            along += p.dot(q);
            across += p.x() * q.y() - p.y() * q.x();
            spread += p.squaredNorm();
        }
    if (!(spread > 0.0)) return false;
    const double scale = std::hypot(along, across) / spread;
    const double angle = std::atan2(across, along);
    const Eigen::Matrix2d turn = scale * Eigen::Rotation2Dd(angle).toRotationMatrix();
    for (size_t v = 0; v < count; ++v)
        if (source[v] == 2) image[v] = centreTo + turn * (other[v] - centreFrom);
    return true;
}

class ChartMerger {
public:
    ChartMerger(const SurfaceMesh& surface, std::vector<FlatChart>& charts)
        : surface_(surface), charts_(charts), chartOf_(surface.triangleCount(), kNil), alive_(charts.size(), 1),
          version_(charts.size(), 0), neighbours_(charts.size()), border_(charts.size(), 0.0),
          failedWith_(charts.size()) {
        for (size_t w = 0; w < workerCount(); ++w)
            scratch_.emplace_back(surface.triangleCount());
        for (uint32_t c = 0; c < charts.size(); ++c)
            for (uint32_t t : charts[c].mesh.triangles)
                chartOf_[t] = c;
        for (uint32_t t = 0; t < surface.triangleCount(); ++t) {
            const uint32_t mine = chartOf_[t];
            for (int k = 0; k < 3; ++k) {
                const uint32_t other = surface.links[t][k];
                const uint32_t theirs = other == kNil ? kNil : chartOf_[other];
                if (theirs == mine) continue;
                const double length = (surface.corner(t, (k + 1) % 3) - surface.corner(t, k)).norm();
                border_[mine] += length;
                if (theirs != kNil) neighbours_[mine][theirs] += length;
            }
        }
    }

    size_t aliveCount() const { return size_t(std::count(alive_.begin(), alive_.end(), 1)); }

    // One greedy pass; returns E_ABORT when progress asked to stop. The next few pairs with
    // no chart in common are tried together on all cores and taken in queue order, which
    // gives the same result for any number of cores.
    HRESULT run(double maxStretch, bool byStretch, size_t targetCount, const std::function<bool(double)>& progress) {
        for (auto& failed : failedWith_)
            failed.clear();
        // Within a stretch limit no chart grows past the size splitting flattens; a chart count
        // limit is met whatever the size.
        const bool sizeLimited = !byStretch && maxStretch < 1.0;
        std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
        for (uint32_t a = 0; a < charts_.size(); ++a)
            if (alive_[a])
                for (const auto& [b, shared] : neighbours_[a])
                    if (a < b) queue.push(candidate(a, b, byStretch));
        const size_t initial = std::max<size_t>(queue.size(), 1);
        size_t tried = 0;
        std::vector<Candidate> batch, deferred;
        std::vector<uint8_t> merged;
        std::vector<FlatChart> results;
        while (!queue.empty() && aliveCount() > targetCount) {
            batch.clear();
            deferred.clear();
            while (!queue.empty() && batch.size() < kBatchSize) {
                const Candidate next = queue.top();
                queue.pop();
                if (!alive_[next.a] || !alive_[next.b] || version_[next.a] != next.versionA ||
                    version_[next.b] != next.versionB || failedWith_[next.a].count(next.b) ||
                    (sizeLimited && tooLarge(next.a, next.b)))
                    continue;
                const bool clash = std::any_of(batch.begin(), batch.end(), [&](const Candidate& c) {
                    return c.a == next.a || c.a == next.b || c.b == next.a || c.b == next.b;
                });
                (clash ? deferred : batch).push_back(next);
            }
            for (const Candidate& c : deferred)
                queue.push(c);
            tried += batch.size();
            if (!progress(std::min(1.0, double(tried) / double(initial)))) return E_ABORT;
            merged.assign(batch.size(), 0);
            results.assign(batch.size(), FlatChart());
            parallelFor(batch.size(), scratch_.size(), [&](size_t i, size_t worker) {
                merged[i] = tryMerge(batch[i].a, batch[i].b, maxStretch, scratch_[worker], results[i]);
            });
            for (size_t i = 0; i < batch.size(); ++i) {
                if (!merged[i]) {
                    failedWith_[batch[i].a].insert(batch[i].b);
                    failedWith_[batch[i].b].insert(batch[i].a);
                }
                if (!merged[i] || aliveCount() <= targetCount) continue;
                const uint32_t a = batch[i].a;
                accept(a, batch[i].b, std::move(results[i]));
                for (const auto& [other, shared] : neighbours_[a])
                    queue.push(candidate(std::min(a, other), std::max(a, other), byStretch));
            }
        }
        return S_OK;
    }

    void collect() {
        size_t kept = 0;
        for (uint32_t c = 0; c < charts_.size(); ++c)
            if (alive_[c] && kept++ != c) charts_[kept - 1] = std::move(charts_[c]);
        charts_.resize(kept);
        std::sort(charts_.begin(), charts_.end(), [](const FlatChart& a, const FlatChart& b) {
            return a.mesh.triangles.front() < b.mesh.triangles.front();
        });
    }

private:
    Candidate candidate(uint32_t a, uint32_t b, bool byStretch) const {
        const double shared = neighbours_[a].at(b);
        const double key =
            byStretch ? charts_[a].stretchSquared * charts_[b].stretchSquared : border_[a] + border_[b] - 2.0 * shared;
        return {key, a, b, version_[a], version_[b]};
    }

    bool tooLarge(uint32_t a, uint32_t b) const {
        return charts_[a].mesh.triangleCount() + charts_[b].mesh.triangleCount() > kLargestFlattenedChart;
    }

    bool tryMerge(uint32_t a, uint32_t b, double maxStretch, ChartScratch& scratch, FlatChart& result) const {
        std::vector<uint32_t> triangles;
        triangles.reserve(charts_[a].mesh.triangleCount() + charts_[b].mesh.triangleCount());
        std::merge(charts_[a].mesh.triangles.begin(), charts_[a].mesh.triangles.end(),
                   charts_[b].mesh.triangles.begin(), charts_[b].mesh.triangles.end(), std::back_inserter(triangles));
        return flattenAndCheck(surface_, triangles, maxStretch, scratch, result,
                               [&](const ChartMesh& mesh, std::vector<Eigen::Vector2d>& start) {
                                   return joinedImage(charts_[a], charts_[b], mesh, start);
                               });
    }

    void accept(uint32_t a, uint32_t b, FlatChart merged) {
        const double shared = neighbours_[a][b];
        border_[a] += border_[b] - 2.0 * shared;
        for (uint32_t t : charts_[b].mesh.triangles)
            chartOf_[t] = a;
        neighbours_[a].erase(b);
        neighbours_[b].erase(a);
        for (const auto& [other, length] : neighbours_[b]) {
            neighbours_[other].erase(b);
            neighbours_[other][a] += length;
            neighbours_[a][other] += length;
        }
        neighbours_[b].clear();
        // A chart that would not take a part of the merged chart will not take all of it.
        for (uint32_t other : failedWith_[b]) {
            failedWith_[other].erase(b);
            failedWith_[other].insert(a);
            failedWith_[a].insert(other);
        }
        failedWith_[b].clear();
        charts_[a] = std::move(merged);
        charts_[b] = FlatChart();
        alive_[b] = 0;
        ++version_[a];
    }

    const SurfaceMesh& surface_;
    std::vector<FlatChart>& charts_;
    std::vector<uint32_t> chartOf_;
    std::vector<uint8_t> alive_;
    std::vector<uint32_t> version_;
    std::vector<std::map<uint32_t, double>> neighbours_;
    std::vector<double> border_;
    std::vector<std::set<uint32_t>> failedWith_; // charts a merge with already failed
    std::vector<ChartScratch> scratch_;          // one per worker
};

} // namespace

HRESULT mergeCharts(const SurfaceMesh& surface, const PartitionSettings& settings,
                    const std::function<bool(double)>& progress, std::vector<FlatChart>& charts) {
    ChartMerger merger(surface, charts);
    const size_t limit = settings.maxChartCount;
    // Each pass counts its own pairs; the caller sees the larger share so far.
    double reported = 0.0;
    auto rising = [&](double fraction) {
        reported = std::max(reported, fraction);
        return progress(reported);
    };
    HRESULT status = merger.run(settings.maxStretch, false, std::max<size_t>(limit, 1), rising);
    if (SUCCEEDED(status) && limit > 0 && merger.aliveCount() > limit) status = merger.run(1.0, true, limit, rising);
    if (FAILED(status)) return status;
    if (limit > 0 && merger.aliveCount() > limit) return E_FAIL;
    merger.collect();
    return S_OK;
}

} // namespace Isochart
