#include "CommandLine.h"
#include "LayoutObjWriter.h"
#include "Subcommands.h"

#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "core/VarnelleException.h"
#include "engine/TriangleAdjacency.h"
#include "engine/UVAtlas.h"
#include "hostapi/M3dView.h"
#include "hostapi/ObjFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

struct ChartsOptions {
    std::string meshPath;
    std::optional<double> stretch;
    std::string outputPath;
    bool pack = false;
    size_t width = 0, height = 0;
    float gutter = 0.0f;
    bool json = false;
};

double parseReal(const std::string& word, const char* flag) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value))
        throw UsageError(std::string(flag) + " needs a number, not '" + word + "'");
    return value;
}

size_t parseSize(const std::string& word, const char* flag) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(word.c_str(), &end, 10);
    if (word.empty() || word[0] == '-' || *end != '\0' || value > 0xFFFFFFFFull)
        throw UsageError(std::string(flag) + " needs a texel count, not '" + word + "'");
    return static_cast<size_t>(value);
}

// The texture and gutter of --pack W H GUTTER: a texture of at least one texel, and a gutter
// narrower than its shorter side (a wider one leaves no room between charts).
void parsePackTexture(const std::string* words, ChartsOptions& options) {
    options.pack = true;
    options.width = parseSize(words[0], "--pack");
    options.height = parseSize(words[1], "--pack");
    if (options.width < 1 || options.height < 1)
        throw UsageError("--pack needs a texture of 1 texel or more on each side, not " + words[0] + " x " + words[1]);
    const double gutter = parseReal(words[2], "--pack");
    if (gutter < 0.0) throw UsageError("--pack needs a gutter of 0 texels or more, not '" + words[2] + "'");
    if (gutter >= static_cast<double>(std::min(options.width, options.height)))
        throw UsageError("--pack gutter '" + words[2] + "' leaves no room in a " + words[0] + " x " + words[1] +
                         " texture");
    options.gutter = static_cast<float>(gutter);
}

ChartsOptions parseChartsOptions(const std::vector<std::string>& words) {
    const SubcommandWords split = splitMeshPath(words, "charts");
    ChartsOptions options;
    options.meshPath = split.meshPath;
    const std::vector<std::string>& rest = split.rest;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& flag = rest[i];
        const size_t arguments = flag == "-st" || flag == "-o" ? 1 : flag == "--pack" ? 3 : 0;
        if (flag != "--json" && arguments == 0) throw UsageError("unknown flag '" + flag + "'");
        if (i + arguments >= rest.size())
            throw UsageError(flag + " needs " + std::to_string(arguments) + " argument(s)");
        if (flag == "-st")
            options.stretch = parseReal(rest[i + 1], "-st");
        else if (flag == "-o")
            options.outputPath = outputFileName("-o", rest[i + 1]);
        else if (flag == "--json")
            options.json = true;
        else
            parsePackTexture(&rest[i + 1], options);
        i += arguments;
    }
    return options;
}

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct ChartsResult {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    std::vector<uint32_t> partitionAdjacency;
    float maxStretch = 0.0f;
    size_t chartCount = 0;
};

// The isochart unwrap as the proxy runs it; throws VarnelleException on failure.
ChartsResult unwrapCharts(const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                          const std::vector<uint32_t>& adjacency, const std::vector<uint32_t>& falseEdges,
                          double stretch) {
    ChartsResult result;
    std::vector<uint32_t> vertexRemap;
    const UVAtlasProgress progress = [](float) { return S_OK; };
    const HRESULT status = UVAtlasPartition(
        positions.data(), positions.size() / 3, indices.data(), UVATLAS_FORMAT_R32_UINT, indices.size() / 3, 0,
        static_cast<float>(stretch), adjacency.data(), falseEdges.data(), nullptr, progress, 0.1f, 0, result.vertices,
        result.indexBuffer, nullptr, &vertexRemap, result.partitionAdjacency, &result.maxStretch, &result.chartCount);
    if (FAILED(status)) raiseError(ErrorSites::UnwrapImpossible);
    return result;
}

// The engine's packer as the proxy runs it; throws VarnelleException on failure.
void packCharts(ChartsResult& result, const ChartsOptions& options) {
    for (UVAtlasVertex& vertex : result.vertices)
        vertex.position = {0.0f, 0.0f, 0.0f};
    const UVAtlasProgress progress = [](float) { return S_OK; };
    const HRESULT status = UVAtlasPack(result.vertices, result.indexBuffer, UVATLAS_FORMAT_R32_UINT, options.width,
                                       options.height, options.gutter, result.partitionAdjacency, progress, 0.1f);
    if (FAILED(status)) raiseError(ErrorSites::PackingImpossible);
}

// The charts as a layout: each vertex's uv, and the index buffer's three UVs per triangle.
UVLayout layoutOf(const ChartsResult& result) {
    UVLayout layout;
    layout.points.reserve(3 * result.vertices.size());
    for (const UVAtlasVertex& vertex : result.vertices)
        layout.points.insert(layout.points.end(), {vertex.uv.x, vertex.uv.y, 0.0f});
    layout.indices.resize(result.indexBuffer.size() / sizeof(uint32_t));
    std::memcpy(layout.indices.data(), result.indexBuffer.data(), layout.indices.size() * sizeof(uint32_t));
    return layout;
}

} // namespace

// Cuts the first mesh of a file into flattened charts with the chart engine, optionally packs
// them with the engine's packer, and writes them as the mesh's UVs.
int runCharts(const std::vector<std::string>& words, std::ostream& out) {
    const ChartsOptions options = parseChartsOptions(words);
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    if (options.stretch) settings.stretch = *options.stretch;
    settings.normalize();
    const MObject mesh = loadFirstMesh(options.meshPath);

    const Clock::time_point start = Clock::now();
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
    if (!status) return 1;
    const double collectMs = millisecondsSince(start);

    Clock::time_point stage = Clock::now();
    const std::vector<uint32_t> adjacency = collectAdjacency(UnwrapMesh(positions, indices), cutMarks);
    if (adjacency.empty()) return 1;
    const double adjacencyMs = millisecondsSince(stage);

    ChartsResult result;
    double partitionMs = 0.0, packMs = 0.0;
    try {
        stage = Clock::now();
        result = unwrapCharts(positions, indices, adjacency, falseEdges, settings.stretch);
        partitionMs = millisecondsSince(stage);
        if (options.pack) {
            stage = Clock::now();
            packCharts(result, options);
            packMs = millisecondsSince(stage);
        }
    } catch (const VarnelleException& error) {
        notifyUser(error, M3dView::applicationShell());
        return 1;
    }
    const double totalMs = millisecondsSince(start);

    if (!options.outputPath.empty()) writeLayoutObj(options.outputPath, mesh, layoutOf(result), options.meshPath);
    char line[512];
    if (options.json)
        std::snprintf(line, sizeof line,
                      "{\"charts\": %zu, \"max_stretch\": %.6f, \"time_ms\": %.3f, \"stages_ms\": {\"collect\": %.3f, "
                      "\"adjacency\": %.3f, \"partition\": %.3f, \"pack\": %.3f}}\n",
                      result.chartCount, result.maxStretch, totalMs, collectMs, adjacencyMs, partitionMs, packMs);
    else
        std::snprintf(line, sizeof line, "%zu charts, largest stretch %.6f, %.1f ms\n", result.chartCount,
                      result.maxStretch, totalMs);
    out << line;
    return 0;
}
