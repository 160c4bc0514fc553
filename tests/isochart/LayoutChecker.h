#pragma once

#include "TestMeshes.h"

#include <gtest/gtest.h>

// Checks a partition of `mesh` the way a user of the layout relies on it: every triangle in
// one chart, output vertices standing for the right input vertices and never shared between
// charts, every chart connected through shared UV edges, no flipped or zero-area triangle,
// no two triangles of a chart covering the same area, every chart within `maxStretch` and
// the reported largest stretch right.
::testing::AssertionResult checkLayout(const TestMesh& mesh, const Isochart::ChartLayout& layout, double maxStretch);
