#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Isochart {

// The cells of a texture a packing has taken, one bit each, so that the rows a chart is tried
// on stay in the nearest cache. Beside the bits it keeps, for every block of 64 cells of a
// row, the longest free run starting in the block, and for every row its longest free run with
// a tree over the rows: runs and rows without room are passed at once.
class OccupancyGrid {
public:
    static constexpr size_t BlockSize = 64;

    void reset(size_t width, size_t height);

    size_t width() const { return width_; }
    size_t height() const { return height_; }
    uint32_t longestFree(size_t row) const { return longestFree_[row]; }
    size_t freeCells() const { return freeCells_; }
    size_t freeCellsInRow(size_t row) const { return freeInRow_[row]; }

    // The first row at or after `row` with a free run of at least `length` cells, or the height.
    size_t nextRoomyRow(size_t row, uint32_t length) const;

    bool isFree(size_t row, size_t column) const {
        return !((rowBits(row)[column / BlockSize] >> (column % BlockSize)) & 1);
    }
    // Whether the `length` cells from `column` on are free; they must lie within the row.
    bool freeRun(size_t row, size_t column, size_t length) const {
        return firstTaken(row, column, column + length) == column + length;
    }
    // The first column at or after `column` (and not beyond `limit`) where `length` free cells
    // start, or a column beyond `limit`.
    size_t nextRoom(size_t row, size_t column, size_t length, size_t limit) const;

    // Marks cells [first, last] of a row occupied; the row's longest free run is stale until
    // refreshRow.
    void occupy(size_t row, size_t first, size_t last);
    void refreshRow(size_t row);

private:
    const uint64_t* rowBits(size_t row) const { return &taken_[row * wordsPerRow_]; }
    // The first occupied column in [from, to), or `to`.
    size_t firstTaken(size_t row, size_t from, size_t to) const;
    // The first free column at or after `from`, or the width.
    size_t firstFree(size_t row, size_t from) const;
    int16_t longestStartingIn(size_t row, size_t block) const;

    size_t width_ = 0, height_ = 0, wordsPerRow_ = 0, freeCells_ = 0;
    std::vector<uint64_t> taken_; // bit c % 64 of word c / 64 of a row; cells past the width are taken
    std::vector<int16_t> blockLongest_;
    std::vector<uint32_t> longestFree_;
    std::vector<size_t> freeInRow_;
    // The longest free run of every row and, above them, of every pair of subtrees: finds the
    // next row with enough room without visiting the rows between.
    size_t leaves_ = 1;
    std::vector<uint32_t> rowTree_;
};

} // namespace Isochart
