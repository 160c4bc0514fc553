// `varnelle unwrap` with the defaults, from reading the file to writing the result, with the time
// of every stage and the process's peak memory as counters.
//
//   unwrap_bench                          runs the benchmarks
//   unwrap_bench --write-sphere OUT.obj   writes the generated 1M-triangle mesh and exits
#include "apps/varnelle/Subcommands.h"
#include "hostapi/M3dView.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <regex>
#include <sstream>

namespace {

// A closed sphere with bumps of several sizes: 2 * segments * (rings - 1) triangles.
void writeBumpySphere(const std::string& path, int rings, int segments) {
    std::ofstream out(path);
    const double pi = std::numbers::pi;
    char line[96];
    const auto vertex = [&](double theta, double phi) {
        const double r = 1.0 + 0.08 * std::sin(5 * theta) * std::cos(4 * phi) + 0.03 * std::sin(17 * phi + 3 * theta);
        std::snprintf(line, sizeof line, "v %.7g %.7g %.7g\n", r * std::cos(theta) * std::cos(phi),
                      r * std::cos(theta) * std::sin(phi), r * std::sin(theta));
        out << line;
    };
    vertex(-pi / 2, 0);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            vertex(pi * i / rings - pi / 2, 2 * pi * j / segments);
    vertex(pi / 2, 0);
    const long north = 2 + long(rings - 1) * segments;
    const auto at = [&](int i, int j) { return 2 + long(i - 1) * segments + (j % segments); };
    for (int j = 0; j < segments; ++j) {
        out << "f 1 " << at(1, j + 1) << ' ' << at(1, j) << '\n';
        out << "f " << north << ' ' << at(rings - 1, j) << ' ' << at(rings - 1, j + 1) << '\n';
    }
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            out << "f " << at(i, j) << ' ' << at(i, j + 1) << ' ' << at(i + 1, j + 1) << '\n';
            out << "f " << at(i, j) << ' ' << at(i + 1, j + 1) << ' ' << at(i + 1, j) << '\n';
        }
}

std::string sphereMesh() {
    const std::string path = (std::filesystem::temp_directory_path() / "varnelle_bumpy_sphere_1m.obj").string();
    if (!std::filesystem::exists(path)) writeBumpySphere(path, 500, 1000);
    return path;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void runUnwrap(benchmark::State& state, const std::string& mesh) {
    const std::string output = (std::filesystem::temp_directory_path() / "varnelle_unwrap_bench.obj").string();
    std::string json;
    for (auto _ : state) {
        std::ostringstream report;
        if (runUnwrapCommand({mesh, "-o", output, "--json"}, report) != 0) {
            state.SkipWithError("the unwrap failed");
            return;
        }
        json = report.str();
    }
    // Every number of the report becomes a counter: stages in milliseconds, charts, efficiency.
    const std::regex number("\"(\\w+)\": ([0-9.]+)");
    for (auto match = std::sregex_iterator(json.begin(), json.end(), number); match != std::sregex_iterator(); ++match)
        state.counters[(*match)[1].str()] = std::stod((*match)[2].str());
    state.counters["peak_MB"] = peakMegabytes();
    std::filesystem::remove(output);
}

void UnwrapBunny(benchmark::State& state) {
    runUnwrap(state, VARNELLE_BENCH_DATA "/bunny.obj");
}
BENCHMARK(UnwrapBunny)->Unit(benchmark::kMillisecond)->Iterations(3);

void UnwrapBumpySphere1M(benchmark::State& state) {
    runUnwrap(state, sphereMesh());
}
BENCHMARK(UnwrapBumpySphere1M)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-sphere") == 0) {
        writeBumpySphere(argv[2], 500, 1000);
        return 0;
    }
    M3dView::setApplicationShell(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
