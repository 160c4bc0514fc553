#include "isochart/ParallelSplit.h"

#include "isochart/ChartSplitting.h"
#include "isochart/ParallelFor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace Isochart {

namespace {

class SplitQueue {
public:
    SplitQueue(const SurfaceMesh& surface, const PartitionSettings& settings, std::vector<std::vector<uint32_t>> roots)
        : surface_(surface), settings_(settings) {
        for (auto& root : roots) {
            for (uint32_t t : root)
                totalArea_ += surface.area[t];
            pending_.push_back({std::move(root), nullptr});
        }
    }

    void work() {
        std::optional<ChartScratch> scratch;
        try {
            scratch.emplace(surface_.triangleCount());
        } catch (...) {
            stop(E_OUTOFMEMORY);
            return;
        }
        Piece piece;
        while (take(piece)) {
            Outcome outcome;
            try {
                outcome = process(piece, *scratch);
            } catch (const std::bad_alloc&) {
                outcome.status = E_OUTOFMEMORY;
            } catch (...) {
                outcome.status = E_FAIL;
            }
            finish(std::move(outcome));
        }
    }

    // Lets every worker leave after its current chart.
    void halt() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }

    void stop(HRESULT status) {
        std::lock_guard lock(mutex_);
        if (status_ == S_OK) status_ = status;
        stopping_ = true;
        changed_.notify_all();
    }

    // Waits for the work to end, reporting progress; false from `progress` stops it.
    void watch(const std::function<bool(double)>& progress) {
        std::unique_lock lock(mutex_);
        while (!done() && status_ == S_OK) {
            const double fraction = totalArea_ > 0.0 ? settledArea_ / totalArea_ : 0.0;
            lock.unlock();
            const bool goOn = progress(fraction);
            lock.lock();
            if (!goOn && status_ == S_OK) status_ = E_ABORT;
            changed_.wait_for(lock, std::chrono::milliseconds(20));
        }
    }

    HRESULT status() const { return status_; }
    std::vector<FlatChart> takeCharts() { return std::move(charts_); }
    // The polygons cut along their triangulation, each once, in increasing order.
    std::vector<uint32_t> cutPolygons() const {
        std::vector<uint32_t> polygons = cutPolygons_;
        std::sort(polygons.begin(), polygons.end());
        polygons.erase(std::unique(polygons.begin(), polygons.end()), polygons.end());
        return polygons;
    }

private:
    // A chart still to settle, with the nearest chart it was cut from that had an image.
    struct Piece {
        std::vector<uint32_t> triangles;
        std::shared_ptr<const FlatChart> parent;
    };

    struct Outcome {
        HRESULT status = S_OK;
        bool valid = false;
        std::shared_ptr<FlatChart> chart = std::make_shared<FlatChart>();
        std::vector<std::vector<uint32_t>> parts;
        std::shared_ptr<const FlatChart> image; // for the parts to start from
        uint32_t cutPolygon = kNil;             // a polygon cut along its triangulation
    };

    bool done() const { return pending_.empty() && busy_ == 0; }

    bool take(Piece& piece) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || status_ != S_OK || !pending_.empty() || busy_ == 0; });
        if (stopping_ || status_ != S_OK || pending_.empty()) return false;
        piece = std::move(pending_.front());
        pending_.pop_front();
        ++busy_;
        return true;
    }

    Outcome process(const Piece& piece, ChartScratch& scratch) const {
        Outcome outcome;
        StartImage start;
        if (piece.parent)
            start = [&](const ChartMesh& mesh, std::vector<Eigen::Vector2d>& image) {
                return imageOfPart(*piece.parent, mesh, image);
            };
        // Pieces larger than any chart may be are cut before any flattening is tried.
        if (piece.triangles.size() > kLargestFlattenedChart && settings_.maxStretch < 1.0f) {
            buildChartMesh(surface_, piece.triangles, scratch, outcome.chart->mesh);
            outcome.image = piece.parent;
            outcome.parts = splitChart(surface_, outcome.chart->mesh, settings_.geodesics, PolygonCuts::Never, scratch);
            return outcome;
        }
        outcome.valid =
            flattenAndCheck(surface_, piece.triangles, settings_.maxStretch, scratch, *outcome.chart, start);
        if (outcome.valid) return outcome;
        const bool flat =
            !outcome.chart->uv.empty() && outcome.chart->stretchSquared < std::numeric_limits<double>::infinity();
        outcome.image = flat ? std::shared_ptr<const FlatChart>(outcome.chart) : piece.parent;
        outcome.parts = splitChart(surface_, outcome.chart->mesh, settings_.geodesics, PolygonCuts::Never, scratch);
        if (outcome.parts.size() >= 2) return outcome;
        // A single polygon: its own fresh image may meet the limit where its parent's did not.
        if (piece.parent) {
            outcome.valid = flattenAndCheck(surface_, piece.triangles, settings_.maxStretch, scratch, *outcome.chart);
            if (outcome.valid) return outcome;
            outcome.image = nullptr;
        }
        // The last resort: a polygon that cannot be flattened within the limit is cut along
        // its triangulation.
        outcome.parts =
            splitChart(surface_, outcome.chart->mesh, settings_.geodesics, PolygonCuts::AlongTriangulation, scratch);
        outcome.cutPolygon = surface_.polygonOf[piece.triangles.front()];
        return outcome;
    }

    void finish(Outcome outcome) {
        std::lock_guard lock(mutex_);
        --busy_;
        changed_.notify_all();
        if (outcome.status == S_OK && !outcome.valid && outcome.parts.size() < 2) outcome.status = E_FAIL;
        try {
            if (outcome.status != S_OK) {
                if (status_ == S_OK) status_ = outcome.status;
            } else if (outcome.valid) {
                for (uint32_t t : outcome.chart->mesh.triangles)
                    settledArea_ += surface_.area[t];
                charts_.push_back(std::move(*outcome.chart));
            } else {
                for (auto& part : outcome.parts)
                    pending_.push_back({std::move(part), outcome.image});
                if (outcome.cutPolygon != kNil) cutPolygons_.push_back(outcome.cutPolygon);
            }
        } catch (...) {
            if (status_ == S_OK) status_ = E_OUTOFMEMORY;
        }
    }

    const SurfaceMesh& surface_;
    const PartitionSettings& settings_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> pending_;
    std::vector<FlatChart> charts_;
    std::vector<uint32_t> cutPolygons_;
    size_t busy_ = 0;
    bool stopping_ = false;
    HRESULT status_ = S_OK;
    double totalArea_ = 0.0, settledArea_ = 0.0;
};

// Joins the workers however the owner leaves.
class WorkerGroup {
public:
    ~WorkerGroup() {
        for (auto& worker : workers_)
            worker.join();
    }
    template <class Work>
    void start(Work work) {
        workers_.emplace_back(work);
    }

private:
    std::vector<std::thread> workers_;
};

} // namespace

HRESULT splitUntilValid(const SurfaceMesh& surface, std::vector<std::vector<uint32_t>> roots,
                        const PartitionSettings& settings, const std::function<bool(double)>& progress,
                        std::vector<FlatChart>& charts, size_t& cutPolygonCount) {
    SplitQueue queue(surface, settings, std::move(roots));
    {
        WorkerGroup workers;
        // Declared after the workers, so it stops them before they are joined on every path.
        struct StopOnExit {
            SplitQueue& queue;
            ~StopOnExit() { queue.halt(); }
        } stopOnExit{queue};
        for (size_t i = 0; i < workerCount(); ++i)
            workers.start([&queue] { queue.work(); });
        queue.watch(progress);
    }
    if (FAILED(queue.status())) return queue.status();
    charts = queue.takeCharts();
    cutPolygonCount = queue.cutPolygons().size();
    std::sort(charts.begin(), charts.end(), [](const FlatChart& a, const FlatChart& b) {
        return a.mesh.triangles.front() < b.mesh.triangles.front();
    });
    return S_OK;
}

} // namespace Isochart
