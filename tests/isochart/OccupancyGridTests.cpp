#include "isochart/OccupancyGrid.h"

#include <gtest/gtest.h>

#include <random>

using namespace Isochart;

namespace {

// The grid's answers worked out cell by cell.
struct PlainGrid {
    size_t width, height;
    std::vector<uint8_t> taken;

    size_t freeRunFrom(size_t row, size_t column) const {
        size_t length = 0;
        while (column + length < width && !taken[row * width + column + length])
            ++length;
        return length;
    }
    size_t longest(size_t row) const {
        size_t best = 0;
        for (size_t column = 0; column < width; ++column)
            best = std::max(best, freeRunFrom(row, column));
        return best;
    }
};

} // namespace

TEST(OccupancyGrid, AnswersAsTheCellsDoWhileItFills) {
    std::mt19937 random(3);
    OccupancyGrid grid;
    // Widths around the 64-cell blocks, rows of one cell up to several blocks.
    for (const auto& [width, height] : {std::pair<size_t, size_t>{1, 3}, {63, 5}, {64, 4}, {65, 7}, {200, 9}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        grid.reset(width, height);
        PlainGrid plain{width, height, std::vector<uint8_t>(width * height, 0)};
        for (int step = 0; step < 60; ++step) {
            const size_t row = random() % height, first = random() % width;
            const size_t last = std::min(width - 1, first + random() % std::max<size_t>(1, width / 4));
            grid.occupy(row, first, last);
            grid.refreshRow(row);
            for (size_t column = first; column <= last; ++column)
                plain.taken[row * width + column] = 1;

            size_t freeCells = 0;
            for (size_t r = 0; r < height; ++r) {
                size_t freeInRow = 0;
                for (size_t column = 0; column < width; ++column) {
                    freeInRow += !plain.taken[r * width + column];
                    ASSERT_EQ(grid.isFree(r, column), !plain.taken[r * width + column]);
                }
                ASSERT_EQ(grid.freeCellsInRow(r), freeInRow);
                ASSERT_EQ(grid.longestFree(r), plain.longest(r));
                freeCells += freeInRow;
            }
            ASSERT_EQ(grid.freeCells(), freeCells);

            const size_t length = 1 + random() % std::max<size_t>(1, width / 3);
            size_t roomy = 0;
            while (roomy < height && plain.longest(roomy) < length)
                ++roomy;
            ASSERT_EQ(grid.nextRoomyRow(0, uint32_t(length)), roomy);
            for (size_t column = 0; column + length <= width; ++column) {
                ASSERT_EQ(grid.freeRun(row, column, length), plain.freeRunFrom(row, column) >= length);
                size_t room = column;
                while (room + length <= width && plain.freeRunFrom(row, room) < length)
                    ++room;
                const size_t limit = width - length;
                const size_t found = grid.nextRoom(row, column, length, limit);
                if (room <= limit)
                    ASSERT_EQ(found, room);
                else
                    ASSERT_GT(found, limit);
            }
        }
    }
}
