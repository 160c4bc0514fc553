#include "Pack.h"

#include "ChartPreparation.h"
#include "Geometry.h"
#include "PlacementSearch.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <semaphore>
#include <stdexcept>
#include <thread>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNil = 0xFFFFFFFFu;

// One worker thread's parameters and answer. The main thread writes the parameters only
// while the worker waits on `start`; releasing `start` publishes them and acquiring
// `done` publishes the result.
struct PackWorker {
    size_t scratch_hint = 0;
    uint32_t chart = 0;
    double start_x = 0.0;
    double end_x = 0.0;
    double stride = 0.0;
    Point2 hint;
    PlacementResult result;
    std::exception_ptr error;
    std::binary_semaphore start{0};
    std::binary_semaphore done{0};
    bool quit = false;
};

// The workers of one pack call: created once, released chart by chart, stopped and
// joined by the destructor on every path.
class WorkerPool {
public:
    WorkerPool(const VectorPacker& packer, unsigned count, size_t scratchHint, std::atomic<uint8_t>& cancel) {
        workers_.reserve(count);
        threads_.reserve(count);
        try {
            for (unsigned i = 0; i < count; ++i) {
                PackWorker& worker = *workers_.emplace_back(std::make_unique<PackWorker>());
                worker.scratch_hint = scratchHint;
                threads_.emplace_back([&packer, &worker, &cancel] { run(packer, worker, cancel); });
            }
        } catch (...) {
            stop();
            throw;
        }
    }

    ~WorkerPool() { stop(); }

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    size_t size() const { return workers_.size(); }
    PackWorker& operator[](size_t i) { return *workers_[i]; }

private:
    // Wakes every started worker with quit set and joins it.
    void stop() {
        for (size_t i = 0; i < threads_.size(); ++i) {
            workers_[i]->quit = true;
            workers_[i]->start_x = 0.0;
            workers_[i]->end_x = -1.0;
            workers_[i]->start.release();
        }
        for (std::thread& thread : threads_)
            thread.join();
        threads_.clear();
    }

    // A failure, also in setting up the worker's scratch, goes back to the main thread as
    // the worker's error; the worker keeps answering its semaphores until it is told to quit.
    static void run(const VectorPacker& packer, PackWorker& worker, std::atomic<uint8_t>& cancel) {
        std::optional<PlacementSearch> search;
        std::exception_ptr setupError;
        try {
            search.emplace(packer, worker.scratch_hint);
        } catch (...) {
            setupError = std::current_exception();
        }
        for (;;) {
            worker.start.acquire();
            if (worker.quit) return;
            worker.result = {};
            worker.error = setupError;
            if (search) {
                try {
                    worker.result =
                        search->search(worker.chart, worker.start_x, worker.end_x, worker.stride, worker.hint, cancel);
                } catch (...) {
                    worker.error = std::current_exception();
                }
            }
            worker.done.release();
        }
    }

    std::vector<std::unique_ptr<PackWorker>> workers_;
    std::vector<std::thread> threads_;
};

void checkInput(size_t uvCount, std::span<const uint32_t> triangles, std::span<const uint32_t> adjacency) {
    if (triangles.size() % 3 != 0) throw std::invalid_argument("pack: the triangle list is not a multiple of three");
    if (adjacency.size() != triangles.size())
        throw std::invalid_argument("pack: the adjacency needs three entries per triangle");
    for (const uint32_t uv : triangles)
        if (uv >= uvCount) throw std::invalid_argument("pack: a triangle uses a UV that does not exist");
    const size_t triangleCount = triangles.size() / 3;
    for (const uint32_t neighbour : adjacency)
        if (neighbour != kNil && neighbour >= triangleCount)
            throw std::invalid_argument("pack: a neighbour triangle does not exist");
}

// Moves every UV with its chart: rotated about the chart's pivot, placed, and scaled by
// the layout factor back to the input's units.
void writeUVs(const VectorPacker& packer, std::vector<Point2>& uvs, double scale) {
    const double layout =
        packer.extent_x > 0.0 && packer.extent_y > 0.0 ? std::min(1.0 / packer.extent_x, 1.0 / packer.extent_y) : 1.0;
    for (size_t i = 0; i < uvs.size(); ++i) {
        const uint32_t position = packer.vertex_chart[i];
        if (position == kNil) continue;
        const PackChart& chart = packer.charts[position];
        if (!chart.has_outline) {
            uvs[i] = {0.0, 0.0};
            continue;
        }
        const Point2 turned = rotateAbout(uvs[i] * scale, chart.pivot, std::cos(chart.angle), std::sin(chart.angle));
        const Point2 placed = turned + chart.position - chart.box_min;
        uvs[i] = placed * (layout / scale);
    }
}

} // namespace

unsigned packThreadCount(unsigned processors) {
    return processors < 1 ? 32u : processors;
}

void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, std::span<const uint32_t>) {
    pack(packer, uvs, triangles, adjacency, settings, packThreadCount(std::thread::hardware_concurrency()));
}

void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount) {
    checkInput(uvs.size(), triangles, adjacency);
    if (triangles.empty()) return;
    threadCount = std::max(1u, threadCount);
    const PreparedCharts prepared = prepareCharts(packer, uvs, triangles, adjacency, settings, threadCount);

    packer.stats = PackStats{};
    packer.stats.aspect = settings.aspect;
    packer.stats.total_count = packer.charts.size();
    packer.aspect = settings.aspect;
    packer.extent_x = 0.0;
    packer.extent_y = 0.0;
    packer.placed_boxes.clear();

    std::atomic<uint8_t> cancel{0};
    PlacementHint hint;
    std::vector<PlacementResult> results(threadCount);
    {
        WorkerPool workers(packer, threadCount, prepared.scratch_hint, cancel);
        for (uint32_t chart = 0; chart < packer.charts.size(); ++chart) {
            if (packer.charts[chart].outline.empty()) continue;
            cancel.store(0, std::memory_order_relaxed);
            for (unsigned i = 0; i < threadCount; ++i) {
                PackWorker& worker = workers[i];
                worker.chart = chart;
                worker.start_x = i * packer.step;
                worker.end_x = packer.extent_x + packer.step;
                worker.stride = threadCount * packer.step;
                worker.hint = settings.hint_mode ? hint.point : Point2{0.0, 0.0};
                worker.start.release();
            }
            for (unsigned i = 0; i < threadCount; ++i)
                workers[i].done.acquire();
            for (unsigned i = 0; i < threadCount; ++i) {
                if (workers[i].error) std::rethrow_exception(workers[i].error);
                results[i] = workers[i].result;
            }
            const PlacementResult best = mergeResults(results);
            if (!best.score.valid) continue;
            placeChart(packer, chart, best);
            hint.update({best.x, best.y}, packer.stats.placed_count, packer.charts.size());
        }
    }
    writeUVs(packer, uvs, prepared.scale);
}

} // namespace OmbrixVectorPacker
