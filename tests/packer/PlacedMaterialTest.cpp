#include "packer/PlacedMaterial.h"
#include "packer/Geometry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace OmbrixVectorPacker;

namespace {

// A placed chart whose outline is the closed loop through `points`.
PackChart placedLoop(const std::vector<Point2>& points) {
    PackChart chart;
    for (size_t i = 0; i < points.size(); ++i) {
        OutlineEdge edge;
        edge.start = points[i];
        edge.end = points[(i + 1) % points.size()];
        setEdgeBox(edge);
        chart.outline.push_back(edge);
    }
    edgesBox(chart.outline, chart.position, chart.size);
    chart.placed = true;
    return chart;
}

PackChart placedBox(double left, double bottom, double right, double top) {
    return placedLoop({{left, bottom}, {right, bottom}, {right, top}, {left, top}});
}

} // namespace

TEST(PlacedMaterial, SpanRestsInTheLowestGapThatHoldsIt) {
    // Boxes stacked over x = 0..2 with gaps of 0.5 and 0.2 above the first two; the last two
    // touch. Line 4 is at x = 1 (a step of 1, four lines per step).
    PlacedMaterial material;
    material.reset(1.0);
    for (const PackChart& chart :
         {placedBox(0, 0, 2, 1), placedBox(0, 1.5, 2, 2), placedBox(0, 2.2, 2, 3), placedBox(0, 3, 2, 4)})
        material.add(chart);
    const uint32_t line = 4;
    ASSERT_EQ(material.spacing(), 0.25);
    // Below everything, and in the first gap when it is long enough.
    EXPECT_EQ(material.fit(line, 0.0, 0.4, -5.0), -5.0);
    EXPECT_NEAR(material.fit(line, 0.0, 0.4, 0.0), 1.0, 1e-8);
    EXPECT_NEAR(material.fit(line, 0.1, 0.4, 0.9), 0.9, 1e-8);
    // Too long for both gaps, and the touching boxes leave none: above the top.
    EXPECT_NEAR(material.fit(line, 0.0, 0.6, 0.0), 4.0, 1e-8);
    EXPECT_EQ(material.fit(line, 0.0, 0.15, 2.01), 2.01) << "the start already fits";
    EXPECT_NEAR(material.fit(line, 0.0, 0.15, 2.5), 4.0, 1e-8);
    // Only lines over the boxes hold material; touching the side counts as outside.
    EXPECT_EQ(material.fit(8, 0.0, 0.6, 0.0), 0.0);
    EXPECT_EQ(material.fit(100, 0.0, 0.6, 0.0), 0.0);
    EXPECT_NEAR(material.fit(0, 0.0, 0.6, 0.0), 4.0, 1e-8) << "just right of the left side";
}

TEST(PlacedMaterial, VerticesOnLinesAndHolesKeepTheirMaterial) {
    // A diamond with its left, top and bottom vertices on lines, and a square ring whose hole
    // spans lines 13 to 15: the diamond's material at line 1 is narrow, at line 2 its full
    // height; the ring leaves its hole free.
    PlacedMaterial material;
    material.reset(1.0);
    material.add(placedLoop({{0, 1}, {0.5, 0}, {1, 1}, {0.5, 2}}));
    EXPECT_NEAR(material.fit(1, 0.0, 0.4, 0.6), 1.5, 1e-8) << "the diamond is 0.5 high at x = 0.25";
    EXPECT_NEAR(material.fit(2, 0.0, 0.1, 0.5), 2.0, 1e-8) << "and spans 0 to 2 at its middle";
    EXPECT_EQ(material.fit(4, 0.0, 0.1, 0.5), 0.5) << "nothing right of its right vertex";
    PackChart ring = placedBox(3, 0, 4, 3);
    const PackChart hole = placedLoop({{3.25, 1}, {3.25, 2}, {3.75, 2}, {3.75, 1}});
    ring.outline.insert(ring.outline.end(), hole.outline.begin(), hole.outline.end());
    material.add(ring);
    EXPECT_NEAR(material.fit(14, 0.0, 0.9, 0.5), 1.0, 1e-8);
    EXPECT_NEAR(material.fit(14, 0.0, 1.1, 0.5), 3.0, 1e-8);
}

TEST(PlacedMaterial, TallStacksAnswerFromEveryStartingHeight) {
    // 37 boxes stacked over x = 0..1 with gaps growing and shrinking in turn; a span must
    // land in the lowest gap that holds it above its start, wherever in the stack it starts.
    PlacedMaterial material;
    material.reset(1.0);
    std::vector<std::pair<double, double>> boxes;
    double bottom = 0.0;
    for (int i = 0; i < 37; ++i) {
        const double top = bottom + 1.0;
        boxes.emplace_back(bottom + kInsideMargin, top - kInsideMargin);
        material.add(placedBox(0, bottom, 1, top));
        bottom = top + 0.1 * ((i * 7) % 5 + 1);
    }
    const uint32_t line = 2;
    for (const double length : {0.05, 0.25, 0.45, 0.6}) {
        for (double start = -0.5; start < bottom + 0.5; start += 0.37) {
            double expected = start;
            for (size_t k = 0; k < boxes.size(); ++k) {
                const double free = k + 1 < boxes.size() ? boxes[k + 1].first : 1e300;
                if (expected + length <= boxes[k].first) break;
                if (expected < boxes[k].second) expected = boxes[k].second;
                if (expected + length <= free) break;
            }
            EXPECT_NEAR(material.fit(line, 0.0, length, start), expected, 1e-12)
                << "length " << length << " from " << start;
        }
    }
}
