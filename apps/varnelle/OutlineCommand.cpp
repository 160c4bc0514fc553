#include "CommandLine.h"
#include "Subcommands.h"
#include "UVCharts.h"

#include "hostapi/AtomicFile.h"
#include "hostapi/ObjFile.h"
#include "packer/ChartPreparation.h"
#include "packer/Geometry.h"
#include "packer/Pack.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

using OmbrixVectorPacker::OutlineEdge;
using OmbrixVectorPacker::PackChart;
using OmbrixVectorPacker::Point2;

namespace {

struct OutlineWords {
    std::string meshPath;
    std::string svgPath;
    std::vector<std::string> flags;
};

OutlineWords splitOutlineWords(const std::vector<std::string>& words) {
    const SubcommandWords split = splitMeshPath(words, "outline");
    OutlineWords result;
    result.meshPath = split.meshPath;
    for (size_t i = 0; i < split.rest.size(); ++i) {
        if (split.rest[i] == "--svg") {
            if (i + 1 == split.rest.size()) throw UsageError("--svg needs the picture's file (OUT.svg)");
            result.svgPath = split.rest[++i];
        } else {
            result.flags.push_back(split.rest[i]);
        }
    }
    if (result.svgPath.empty()) throw UsageError("outline needs a picture file: --svg OUT.svg");
    return result;
}

// A chart whose walk failed carries its closed hull list, which ends in an edge of length 0.
bool usesHull(const PackChart& chart) {
    return !chart.traced_outline.empty() && chart.traced_outline.back().start == chart.traced_outline.back().end;
}

// Where a chart is drawn: x moved by `shiftX`, y mirrored about `mirrorY` (SVG's y points down).
struct Drawing {
    double shiftX;
    double mirrorY;
    Point2 operator()(Point2 p) const { return {p.x + shiftX, mirrorY - p.y}; }
};

// The loops of an outline as one SVG path.
void writeLoops(std::ostream& out, const std::vector<OutlineEdge>& edges, const Drawing& drawing) {
    for (size_t i = 0; i < edges.size(); ++i) {
        const Point2 p = drawing(edges[i].start);
        char word[64];
        std::snprintf(word, sizeof word, "%c%.6f %.6f ", edges[i].loop_length > 0 ? 'M' : 'L', p.x, p.y);
        out << word;
        const bool closes = i + 1 == edges.size() || edges[i + 1].loop_length > 0;
        if (closes) out << "Z ";
    }
}

// The first orientation's box, turned back into the chart's own frame.
void writeOrientationBox(std::ostream& out, const PackChart& chart, const Drawing& drawing) {
    const OmbrixVectorPacker::ChartOrientation& o = chart.orientations[0];
    const double c = std::cos(-o.angle), s = std::sin(-o.angle);
    out << "<polygon class=\"box\" points=\"";
    for (const Point2 corner : {Point2{0, 0}, Point2{o.size.x, 0}, o.size, Point2{0, o.size.y}}) {
        const Point2 p = drawing(OmbrixVectorPacker::rotateAbout(corner + o.box_min, o.pivot, c, s));
        char word[64];
        std::snprintf(word, sizeof word, "%.6f,%.6f ", p.x, p.y);
        out << word;
    }
    out << "\"/>\n";
}

// Every chart in a cell of its own, biggest first from the top left, at its packing scale: the traced
// outline filled (holes left open), the padded outline and the first orientation's box.
void writePicture(std::ostream& out, const std::vector<PackChart>& charts, double largestExtent) {
    const size_t columns = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(charts.size()))));
    const size_t rows = (charts.size() + columns - 1) / columns;
    const double cell = 1.5 * largestExtent;
    const double width = columns * cell, height = rows * cell;
    char header[512];
    std::snprintf(
        header, sizeof header,
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.6f %.6f\" width=\"1200\" height=\"%.0f\">\n"
        "<style>.traced{fill:#d8d8d8;fill-rule:evenodd;stroke:#000;stroke-width:%.6f}"
        ".padded{fill:none;stroke:#1f5fd0;stroke-width:%.6f}"
        ".box{fill:none;stroke:#d02020;stroke-width:%.6f;stroke-dasharray:%.6f}</style>\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>\n",
        width, height, 1200.0 * height / width, cell * 0.004, cell * 0.004, cell * 0.004, cell * 0.02);
    out << header;
    for (size_t i = 0; i < charts.size(); ++i) {
        const PackChart& chart = charts[i];
        const double margin = 0.25 * largestExtent;
        const Drawing drawing{(i % columns) * cell + margin - chart.box_min.x,
                              (i / columns) * cell + margin + chart.box_min.y + chart.size.y};
        out << "<g><title>chart " << chart.id << (usesHull(chart) ? " (hull)" : "")
            << "</title>\n<path class=\"traced\" d=\"";
        writeLoops(out, chart.traced_outline, drawing);
        out << "\"/>\n<path class=\"padded\" d=\"";
        writeLoops(out, chart.outline, drawing);
        out << "\"/>\n";
        if (!chart.orientations.empty() && !chart.outline.empty()) writeOrientationBox(out, chart, drawing);
        out << "</g>\n";
    }
    out << "</svg>\n";
}

} // namespace

// Draws what the chart packer would place for the charts of a mesh's existing UVs.
int runOutline(const std::vector<std::string>& words, std::ostream& out) {
    const OutlineWords outlineWords = splitOutlineWords(words);
    const OmbrixVectorPacker::PackSettings settings = packSettingsFromFlags(outlineWords.flags);
    if (sameFile(outlineWords.meshPath, outlineWords.svgPath))
        throw FileError(outlineWords.svgPath + ": the picture would overwrite the input mesh");
    const std::vector<MObject> meshes = importObj(outlineWords.meshPath);
    UVCharts charts;
    std::string problem;
    if (!readUVCharts(meshes.front(), charts, problem)) {
        std::fprintf(stderr, "varnelle outline: %s: %s\n", outlineWords.meshPath.c_str(), problem.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    OmbrixVectorPacker::VectorPacker packer;
    const OmbrixVectorPacker::PreparedCharts prepared =
        OmbrixVectorPacker::prepareCharts(packer, charts.uvs, charts.triangles, charts.adjacency, settings,
                                          OmbrixVectorPacker::packThreadCount(std::thread::hardware_concurrency()));
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    writeFileAtomically(outlineWords.svgPath,
                        [&](std::ostream& svg) { writePicture(svg, packer.charts, prepared.largest_extent); });

    size_t hulls = 0, holes = 0;
    for (const PackChart& chart : packer.charts) {
        hulls += usesHull(chart);
        holes += chart.loop_starts.size();
    }
    char line[256];
    std::snprintf(line, sizeof line, "{\"charts\": %zu, \"hulls\": %zu, \"holes\": %zu, \"time_ms\": %.3f}\n",
                  packer.charts.size(), hulls, holes, milliseconds);
    out << line;
    return 0;
}
