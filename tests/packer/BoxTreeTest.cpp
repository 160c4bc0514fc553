#include "packer/BoxTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace OmbrixVectorPacker;

namespace {

std::vector<uint32_t> sortedQuery(const BoxTree& tree, const BoxEntry& box) {
    std::vector<uint32_t> result;
    BoxQueryStack stack;
    tree.query(box, result, stack);
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

TEST(BoxTree, QueriesMatchABruteForceScanForInsertAndBuild) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(0.0, 10.0), extent(0.0, 2.0);
    std::vector<BoxEntry> entries;
    for (uint32_t id = 0; id < 500; ++id) {
        const double x = coordinate(random), y = coordinate(random);
        entries.push_back({x, y, x + extent(random), y + extent(random), id});
    }
    BoxTree inserted, built;
    for (const BoxEntry& entry : entries)
        inserted.insert(entry);
    std::vector<BoxEntry> list = entries;
    built.build(list);
    EXPECT_EQ(built.size(), entries.size());

    std::vector<uint32_t> result;
    BoxQueryStack stack;
    for (int q = 0; q < 200; ++q) {
        const double x = coordinate(random), y = coordinate(random);
        // Every fourth query is degenerate: a point or a vertical segment.
        const BoxEntry box{x, y, q % 4 == 0 ? x : x + extent(random), q % 8 == 0 ? y : y + extent(random), 0};
        std::vector<uint32_t> expected;
        for (const BoxEntry& e : entries)
            if (e.maxX >= box.minX && box.maxX >= e.minX && e.maxY >= box.minY && box.maxY >= e.minY)
                expected.push_back(e.id);
        EXPECT_EQ(sortedQuery(inserted, box), expected);
        EXPECT_EQ(sortedQuery(built, box), expected);
        // The count returned is the number appended, after what the list already held.
        result.assign(3, 99);
        EXPECT_EQ(built.query(box, result, stack), expected.size());
        EXPECT_EQ(result.size(), expected.size() + 3);
    }
}

TEST(BoxTree, TouchingDegenerateEqualAndEmpty) {
    BoxTree tree;
    std::vector<uint32_t> result;
    BoxQueryStack stack;
    EXPECT_EQ(tree.query({0, 0, 1, 1, 0}, result, stack), 0u);

    tree.insert({0, 0, 1, 1, 1});
    tree.insert({2, 0, 3, 1, 2});
    // Touching along an edge and at a corner both count.
    EXPECT_EQ(sortedQuery(tree, {1, 0.5, 2, 0.7, 0}), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(sortedQuery(tree, {3, 1, 4, 2, 0}), (std::vector<uint32_t>{2}));
    EXPECT_EQ(sortedQuery(tree, {1.5, 0, 1.5, 5, 0}), (std::vector<uint32_t>{}));
    EXPECT_EQ(sortedQuery(tree, {0.5, 0.5, 0.5, 0.5, 0}), (std::vector<uint32_t>{1}));
    EXPECT_EQ(sortedQuery(tree, {2.5, -3, 2.5, 0, 0}), (std::vector<uint32_t>{2}));

    // Identical boxes all go right of each other and are all found.
    BoxTree same;
    std::vector<BoxEntry> identical(40, BoxEntry{1, 1, 2, 2, 0});
    for (uint32_t i = 0; i < identical.size(); ++i)
        identical[i].id = i;
    same.build(identical);
    EXPECT_EQ(sortedQuery(same, {2, 2, 2, 2, 0}).size(), 40u);
    for (uint32_t i = 0; i < 10; ++i)
        same.insert({1, 1, 2, 2, 100 + i});
    EXPECT_EQ(sortedQuery(same, {1.5, 0, 1.5, 1, 0}).size(), 50u);

    same.clear();
    EXPECT_TRUE(same.empty());
    EXPECT_EQ(same.query({0, 0, 9, 9, 0}, result, stack), 0u);
}

TEST(BoxTree, SmallBuiltTreesScanInTheWalksOrder) {
    // A built tree small enough to be scanned answers in the order of its walk: one more
    // inserted leaf switches it to walking, and the other ids keep their order.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(0.0, 4.0);
    std::vector<BoxEntry> entries;
    for (uint32_t id = 0; id < 40; ++id) {
        const double x = coordinate(random), y = coordinate(random);
        entries.push_back({x, y, x + 1.0, y + 1.0, id});
    }
    BoxTree tree;
    tree.build(entries);
    std::vector<uint32_t> scanned, walked;
    BoxQueryStack stack;
    for (int q = 0; q < 50; ++q) {
        const double x = coordinate(random), y = coordinate(random);
        const BoxEntry box{x, y, x + 0.5, y + 0.5, 0};
        scanned.clear();
        walked.clear();
        BoxTree copy = tree;
        copy.query(box, scanned, stack);
        copy.insert({-9, -9, -8, -8, 999});
        copy.query(box, walked, stack);
        EXPECT_EQ(scanned, walked);
    }
}

TEST(BoxTree, InsertedTreesAnswerInTheWalksOrder) {
    // Entries inserted one at a time are answered from the grid; once a tree has taken a
    // list through build it walks. Both must list the same ids in the same order.
    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(0.0, 20.0), extent(0.0, 3.0);
    BoxTree gridded, walked;
    std::vector<BoxEntry> none;
    walked.build(none);
    std::vector<uint32_t> fromGrid, fromWalk;
    BoxQueryStack stack;
    for (uint32_t id = 0; id < 2000; ++id) {
        const double x = coordinate(random), y = coordinate(random);
        const BoxEntry entry{x, y, x + extent(random), y + extent(random), id};
        gridded.insert(entry);
        walked.insert(entry);
        if (id % 50 != 49) continue;
        for (int q = 0; q < 20; ++q) {
            const double qx = coordinate(random) - 2.0, qy = coordinate(random) - 2.0;
            const BoxEntry box{qx, qy, q % 5 == 0 ? qx : qx + extent(random), q % 7 == 0 ? 1e300 : qy + extent(random),
                               0};
            fromGrid.clear();
            fromWalk.clear();
            gridded.query(box, fromGrid, stack);
            walked.query(box, fromWalk, stack);
            ASSERT_EQ(fromGrid, fromWalk);
        }
    }
}

TEST(BoxTree, TraversalOrderFollowsTheKeys) {
    // Root keyed on min x: the left child (smaller min x) is visited before the right one;
    // below it, keyed on min y, again left before right.
    BoxTree tree;
    tree.insert({5, 5, 6, 6, 0});
    tree.insert({1, 5, 2, 6, 1});
    tree.insert({7, 5, 8, 6, 2});
    tree.insert({1, 1, 2, 2, 3});
    tree.insert({1, 8, 2, 9, 4});
    std::vector<uint32_t> result;
    BoxQueryStack stack;
    tree.query({0, 0, 10, 10, 0}, result, stack);
    EXPECT_EQ(result, (std::vector<uint32_t>{0, 1, 3, 4, 2}));
}
