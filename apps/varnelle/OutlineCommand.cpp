#include "CommandLine.h"
#include "Subcommands.h"
#include "UVCharts.h"

#include "hostapi/AtomicFile.h"
#include "hostapi/ObjFile.h"
#include "packer/ChartPreparation.h"
#include "packer/Geometry.h"
#include "packer/Pack.h"
#include "packer/PackErrors.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
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
            result.svgPath = outputFileName("--svg", split.rest[++i]);
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

// The box around the finite points a chart's picture shows (its traced and padded outlines).
struct Frame {
    Point2 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    Point2 high{std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};

    void add(Point2 p) {
        if (!OmbrixVectorPacker::isFinite(p)) return;
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    bool empty() const { return low.x > high.x; }
    // The longer side, where it is a positive finite number; 0 otherwise.
    double extent() const {
        const double side = empty() ? 0.0 : std::max(high.x - low.x, high.y - low.y);
        return std::isfinite(side) && side > 0.0 ? side : 0.0;
    }
};

Frame chartFrame(const PackChart& chart) {
    Frame frame;
    for (const std::vector<OutlineEdge>* edges : {&chart.traced_outline, &chart.outline})
        for (const OutlineEdge& edge : *edges)
            frame.add(edge.start);
    return frame;
}

// Where a chart is drawn: its frame's top left corner at `corner`, lengths divided by `unit`
// so that the picture's numbers stay small whatever the charts' scale, y mirrored (SVG's y
// points down).
struct Drawing {
    Point2 corner;
    Frame frame;
    double unit;
    Point2 operator()(Point2 p) const {
        return {corner.x + (p.x - frame.low.x) / unit, corner.y + (frame.high.y - p.y) / unit};
    }
};

std::string svgNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// The loops of an outline as one SVG path; a loop with a point that cannot be drawn is left out.
void writeLoops(std::ostream& out, const std::vector<OutlineEdge>& edges, const Drawing& drawing) {
    for (size_t start = 0, end = 0; start < edges.size(); start = end) {
        end = start + 1;
        while (end < edges.size() && edges[end].loop_length == 0)
            ++end;
        bool drawable = true;
        for (size_t i = start; i < end; ++i)
            drawable = drawable && OmbrixVectorPacker::isFinite(drawing(edges[i].start));
        if (!drawable) continue;
        for (size_t i = start; i < end; ++i) {
            const Point2 p = drawing(edges[i].start);
            out << (i == start ? 'M' : 'L') << svgNumber(p.x) << ' ' << svgNumber(p.y) << ' ';
        }
        out << "Z ";
    }
}

// The first orientation's box, turned back into the chart's own frame.
void writeOrientationBox(std::ostream& out, const PackChart& chart, const Drawing& drawing) {
    const OmbrixVectorPacker::ChartOrientation& o = chart.orientations[0];
    const double c = std::cos(-o.angle), s = std::sin(-o.angle);
    std::string points;
    for (const Point2 corner : {Point2{0, 0}, Point2{o.size.x, 0}, o.size, Point2{0, o.size.y}}) {
        const Point2 p = drawing(OmbrixVectorPacker::rotateAbout(corner + o.box_min, o.pivot, c, s));
        if (!OmbrixVectorPacker::isFinite(p)) return;
        points += svgNumber(p.x) + ',' + svgNumber(p.y) + ' ';
    }
    out << "<polygon class=\"box\" points=\"" << points << "\"/>\n";
}

// Every chart in a cell of its own, biggest first from the top left, at its packing scale: the traced
// outline filled (holes left open), the padded outline and the first orientation's box. The
// picture's unit is the largest chart's extent, so a cell is 1.5 units wide.
void writePicture(std::ostream& out, const std::vector<PackChart>& charts) {
    std::vector<Frame> frames;
    double largest = 0.0;
    for (const PackChart& chart : charts) {
        frames.push_back(chartFrame(chart));
        largest = std::max(largest, frames.back().extent());
    }
    const double unit = largest > 0.0 ? largest : 1.0;
    const size_t columns = std::max<size_t>(1, static_cast<size_t>(std::ceil(std::sqrt(double(charts.size())))));
    const size_t rows = std::max<size_t>(1, (charts.size() + columns - 1) / columns);
    constexpr double cell = 1.5, margin = 0.25;
    const double width = columns * cell, height = rows * cell;
    char header[512];
    std::snprintf(
        header, sizeof header,
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.9g %.9g\" width=\"1200\" height=\"%.0f\">\n"
        "<style>.traced{fill:#d8d8d8;fill-rule:evenodd;stroke:#000;stroke-width:%.9g}"
        ".padded{fill:none;stroke:#1f5fd0;stroke-width:%.9g}"
        ".box{fill:none;stroke:#d02020;stroke-width:%.9g;stroke-dasharray:%.9g}</style>\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>\n",
        width, height, 1200.0 * height / width, cell * 0.004, cell * 0.004, cell * 0.004, cell * 0.02);
    out << header;
    for (size_t i = 0; i < charts.size(); ++i) {
        const PackChart& chart = charts[i];
        const Drawing drawing{{(i % columns) * cell + margin, (i / columns) * cell + margin}, frames[i], unit};
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
    try {
        OmbrixVectorPacker::prepareCharts(packer, charts.uvs, charts.triangles, charts.adjacency, settings,
                                          OmbrixVectorPacker::packThreadCount(std::thread::hardware_concurrency()));
    } catch (const OmbrixVectorPacker::PackInputError& error) {
        throw FileError(outlineWords.meshPath + ": " + error.what());
    } catch (const OmbrixVectorPacker::PackSpaceError& error) {
        std::fprintf(stderr, "varnelle %s\n", error.what());
        return 1;
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    writeFileAtomically(outlineWords.svgPath, [&](std::ostream& svg) { writePicture(svg, packer.charts); });

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
