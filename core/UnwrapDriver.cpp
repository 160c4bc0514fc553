#include "UnwrapDriver.h"

#include "core/BoxProjection.h"
#include "core/ChartUVs.h"
#include "core/ExistingUVs.h"
#include "core/MeshDataCollector.h"
#include "core/VarnelleException.h"
#include "engine/TriangleAdjacency.h"
#include "engine/UVAtlasProxy.h"
#include "hostapi/M3dView.h"
#include "preview/PreviewRender.h"
#include "preview/ProgressWindow.h"
#include "preview/ShowPreview.h"
#include "projection/ProjectionUnwrap.h"

#include <algorithm>
#include <chrono>

namespace {

// Records the time since the previous lap under a stage name, when there is a report.
class StageClock {
public:
    explicit StageClock(UnwrapReport* report) : report_(report) {}

    void lap(const char* stage) {
        const auto now = std::chrono::steady_clock::now();
        if (report_) report_->stages.push_back({stage, std::chrono::duration<double, std::milli>(now - last_).count()});
        last_ = now;
    }

private:
    UnwrapReport* report_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

UnwrapReport* scopedReport = nullptr;

HRESULT keepGoing(float) {
    return S_OK;
}

// Fills `result` by the method of `unwrap_type`; the adjacency becomes the one the layout uses.
void runMethod(const UnwrapSettings& settings, const MObject& mesh, const MMatrix& worldMatrix, UVAtlasProxy& proxy,
               const UnwrapMesh& source, UnwrapMesh& result, std::vector<uint32_t>& adjacency,
               std::vector<uint32_t>& falseEdges, UnwrapReport* report) {
    const UVAtlasProgress progress = keepGoing;
    switch (settings.unwrap_type) {
    case ChartUnwrap: {
        std::vector<uint32_t> vertexRemap, partitionAdjacency;
        proxy.unwrapCharts(source, result, vertexRemap, progress, partitionAdjacency, adjacency, falseEdges);
        adjacency = std::move(partitionAdjacency);
        if (report) report->largestStretch = proxy.largestStretch();
        return;
    }
    case BoxProjection:
        boxProjection(proxy, source, result, progress, adjacency, falseEdges);
        return;
    case ExistingUVs:
        result = source;
        readExistingUVs(mesh, result);
        return;
    case CameraProjection: {
        result = source;
        result.transform = worldMatrix;
        Projector projector(settings.camera);
        projector.run(result, adjacency, falseEdges, settings);
        return;
    }
    default:
        raiseError(ErrorSites::UnknownUnwrapType);
    }
}

// Packs the charts into the unit square (or over the tiles) and fits them to the texture.
void layOut(const UnwrapSettings& settings, UVAtlasProxy& proxy, UnwrapMesh& result,
            const std::vector<uint32_t>& adjacency, StageClock& clock, UnwrapReport* report) {
    const std::vector<uint32_t> labels = proxy.labelCharts(result, adjacency);
    giveChartsOwnUVs(result, labels);
    if (report) report->charts = labels.empty() ? 0 : *std::max_element(labels.begin(), labels.end());
    if (settings.tile_mode == 1) {
        proxy.packTiles(result, adjacency);
        clock.lap("pack");
        return;
    }
    if (settings.unwrap_type != BoxProjection) {
        if (settings.rescale) rescaleCharts(result, labels);
        proxy.packCharts(result, adjacency, keepGoing);
    }
    clock.lap("pack");
    proxy.fitAspect(result);
    proxy.normalizeToUnitSquare(result);
    proxy.applyPadding(result);
}

} // namespace

bool unwrapCore(const UnwrapSettings& settings, const MObject& mesh, const MMatrix& worldMatrix,
                const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                const std::vector<uint32_t>& cutMarks, const std::vector<uint32_t>& falseEdges,
                std::vector<uint32_t>& uvIndices, std::vector<float>& uvs, UnwrapReport* report) {
    StageClock clock(report);
    std::vector<uint32_t> workingFalseEdges = falseEdges;
    UnwrapMesh result;
    M3dView::active3dView();
    MStatus windowStatus;
    const MNativeWindowHdl mainWindow = M3dView::applicationShell(&windowStatus);
    if (windowStatus.statusCode() == MStatus::kFailure) raiseError(ErrorSites::MainWindowMissing);
    try {
        UVAtlasProxy proxy;
        proxy.setSettings(settings);
        const UnwrapMesh source(positions, indices);
        std::vector<uint32_t> adjacency = collectAdjacency(source, cutMarks);
        clock.lap("adjacency");
        if (adjacency.empty()) return false;
        runMethod(settings, mesh, worldMatrix, proxy, source, result, adjacency, workingFalseEdges, report);
        clock.lap("unwrap");
        layOut(settings, proxy, result, adjacency, clock, report);
        proxy.exportUVs(result, uvs, uvIndices);
        clock.lap("finish");
        return true;
    } catch (const VarnelleException& error) {
        notifyUser(error, mainWindow);
        return false;
    }
}

UnwrapReportScope::UnwrapReportScope(UnwrapReport& report) {
    scopedReport = &report;
}

UnwrapReportScope::~UnwrapReportScope() {
    scopedReport = nullptr;
}

MStatus runUnwrap(UnwrapSettings& settings, MStatus& status, const MObject& mesh, const MMatrix& worldMatrix,
                  MIntArray* seamPairs, UnwrapReport* report) {
    if (!report) report = scopedReport;
    StageClock clock(report);
    if (seamPairs) seamPairs->clear();
    settings.normalize();
    ProgressWindow::setText("Extracting required data");
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, seamPairs);
    if (!status) return status;
    clock.lap("collect");
    if (!settings.keep_seams && seamPairs) seamPairs->clear();

    ProgressWindow::setText("Generating UV set");
    std::vector<float> uvs;
    std::vector<uint32_t> uvIndices;
    if (!unwrapCore(settings, mesh, worldMatrix, positions, indices, cutMarks, falseEdges, uvIndices, uvs, report)) {
        status = MStatus::kFailure;
        return status;
    }
    StageClock previewClock(report);
    PreviewRender render(settings.tex_width, settings.tex_height, settings.previewTileCount());
    render.setData(uvIndices, uvs, falseEdges);
    showPreview(render);
    previewClock.lap("preview");
    status = MStatus::kSuccess;
    return status;
}
