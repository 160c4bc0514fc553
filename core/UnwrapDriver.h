#pragma once

#include "core/UnwrapSettings.h"
#include "hostapi/MArray.h"
#include "hostapi/MMatrix.h"
#include "hostapi/MObject.h"
#include "hostapi/MStatus.h"

#include <cstdint>
#include <optional>
#include <vector>

// What a run measured, for a caller that wants to report it.
struct UnwrapReport {
    struct Stage {
        const char* name;
        double milliseconds;
    };
    // collect, adjacency, unwrap, pack, finish and preview, as far as the run got.
    std::vector<Stage> stages;
    // Charts of the layout before packing.
    size_t charts = 0;
    // The chart engine's largest stretch, when the chart engine made the charts.
    std::optional<float> largestStretch;
};

// While a scope lives, runs that are given no report of their own fill its report: a program
// that runs the unwrap through the host's node, which passes none, still learns what the run
// measured. Scopes do not nest; main thread only.
class UnwrapReportScope {
public:
    explicit UnwrapReportScope(UnwrapReport& report);
    ~UnwrapReportScope();
    UnwrapReportScope(const UnwrapReportScope&) = delete;
    UnwrapReportScope& operator=(const UnwrapReportScope&) = delete;
};

// Runs one unwrap of `mesh`: normalises `settings` (the caller's own copy), collects the mesh
// data (filling `seamPairs` when given, and emptying it again unless seams are kept), unwraps
// and lays out the charts, and shows the finished layout with showPreview. Returns success,
// the collector's failure, or kFailure when the unwrap ended without a layout (the user has
// then been notified). "Maya window handle not found" (VarnelleException) leaves the run when
// the session has no main window.
MStatus runUnwrap(UnwrapSettings& settings, MStatus& status, const MObject& mesh, const MMatrix& worldMatrix,
                  MIntArray* seamPairs, UnwrapReport* report = nullptr);

// The unwrap proper, from the collected buffers to the finished layout: `uvs` (three floats
// each) and `uvIndices` (three per triangle, aligned with `indices`). Returns false when the run
// ends without a layout; every failure but the missing main window is shown to the user here.
bool unwrapCore(const UnwrapSettings& settings, const MObject& mesh, const MMatrix& worldMatrix,
                const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                const std::vector<uint32_t>& cutMarks, const std::vector<uint32_t>& falseEdges,
                std::vector<uint32_t>& uvIndices, std::vector<float>& uvs, UnwrapReport* report = nullptr);
