#include "isochart/OccupancyGrid.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace Isochart {

namespace {

constexpr uint64_t AllCells = ~uint64_t{0};

// The bits of a word from bit `from` on, and up to bit `last`.
uint64_t bitsFrom(size_t from) {
    return AllCells << from;
}
uint64_t bitsUpTo(size_t last) {
    return last + 1 == OccupancyGrid::BlockSize ? AllCells : ~(AllCells << (last + 1));
}

} // namespace

void OccupancyGrid::reset(size_t width, size_t height) {
    assert(width < 32768 && "free runs of a row are kept in 16 bits");
    width_ = width;
    height_ = height;
    wordsPerRow_ = (width + BlockSize - 1) / BlockSize;
    taken_.assign(wordsPerRow_ * height, 0);
    if (width % BlockSize != 0)
        for (size_t row = 0; row < height; ++row)
            taken_[(row + 1) * wordsPerRow_ - 1] = bitsFrom(width % BlockSize);
    blockLongest_.resize(wordsPerRow_ * height);
    for (size_t row = 0; row < height; ++row)
        for (size_t block = 0; block < wordsPerRow_; ++block)
            blockLongest_[row * wordsPerRow_ + block] = static_cast<int16_t>(width - block * BlockSize);
    longestFree_.assign(height, static_cast<uint32_t>(width));
    leaves_ = 1;
    while (leaves_ < height)
        leaves_ *= 2;
    rowTree_.assign(2 * leaves_, 0);
    for (size_t row = 0; row < height; ++row)
        rowTree_[leaves_ + row] = static_cast<uint32_t>(width);
    for (size_t node = leaves_; node-- > 1;)
        rowTree_[node] = std::max(rowTree_[2 * node], rowTree_[2 * node + 1]);
    freeCells_ = width * height;
    freeInRow_.assign(height, width);
}

size_t OccupancyGrid::nextRoomyRow(size_t row, uint32_t length) const {
    if (row >= height_) return height_;
    size_t node = leaves_ + row;
    if (rowTree_[node] >= length) return row;
    // Climb while the rest of the subtree to the right holds no such row, then descend.
    while (true) {
        while (node % 2 == 1) {
            node /= 2;
            if (node <= 1) return height_;
        }
        ++node;
        if (rowTree_[node] >= length) break;
    }
    while (node < leaves_)
        node = rowTree_[2 * node] >= length ? 2 * node : 2 * node + 1;
    return std::min(node - leaves_, height_);
}

size_t OccupancyGrid::firstTaken(size_t row, size_t from, size_t to) const {
    const uint64_t* bits = rowBits(row);
    for (size_t word = from / BlockSize; word * BlockSize < to; ++word) {
        const uint64_t taken = bits[word] & (word == from / BlockSize ? bitsFrom(from % BlockSize) : AllCells);
        if (taken) return std::min(to, word * BlockSize + static_cast<size_t>(std::countr_zero(taken)));
    }
    return to;
}

size_t OccupancyGrid::firstFree(size_t row, size_t from) const {
    const uint64_t* bits = rowBits(row);
    for (size_t word = from / BlockSize; word < wordsPerRow_; ++word) {
        const uint64_t free = ~bits[word] & (word == from / BlockSize ? bitsFrom(from % BlockSize) : AllCells);
        if (free) return word * BlockSize + static_cast<size_t>(std::countr_zero(free));
    }
    return width_;
}

size_t OccupancyGrid::nextRoom(size_t row, size_t column, size_t length, size_t limit) const {
    const int16_t* blocks = &blockLongest_[row * wordsPerRow_];
    const long needed = static_cast<long>(length);
    while (column <= limit) {
        size_t block = column / BlockSize;
        if (blocks[block] < needed) {
            // Blocks where no long enough run starts are passed on their summary alone.
            do
                ++block;
            while (block < wordsPerRow_ && block * BlockSize <= limit && blocks[block] < needed);
            column = block * BlockSize;
            continue;
        }
        const size_t taken = firstTaken(row, column, column + length);
        if (taken == column + length) return column;
        column = firstFree(row, taken);
    }
    return column;
}

// The longest free run that starts in the block: the longest from any cell of it is the one
// from the start of some free stretch in it.
int16_t OccupancyGrid::longestStartingIn(size_t row, size_t block) const {
    long longest = 0;
    const size_t end = std::min(width_, (block + 1) * BlockSize);
    for (size_t start = firstFree(row, block * BlockSize); start < end;) {
        const size_t stop = firstTaken(row, start, width_);
        longest = std::max(longest, static_cast<long>(stop - start));
        if (stop >= end) break;
        start = firstFree(row, stop);
    }
    return static_cast<int16_t>(longest);
}

void OccupancyGrid::occupy(size_t row, size_t first, size_t last) {
    assert(first <= last && last < width_);
    uint64_t* bits = &taken_[row * wordsPerRow_];
    size_t taken = 0;
    for (size_t word = first / BlockSize; word <= last / BlockSize; ++word) {
        uint64_t cells = AllCells;
        if (word == first / BlockSize) cells &= bitsFrom(first % BlockSize);
        if (word == last / BlockSize) cells &= bitsUpTo(last % BlockSize);
        taken += static_cast<size_t>(std::popcount(cells & ~bits[word]));
        bits[word] |= cells;
    }
    freeCells_ -= taken;
    freeInRow_[row] -= taken;
    // Free runs that reached into the new cells now end before them: from the start of the free
    // stretch left of them on, the blocks' longest runs change.
    size_t from = first;
    while (from > 0 && isFree(row, from - 1)) {
        const uint64_t before = bits[(from - 1) / BlockSize] & bitsUpTo((from - 1) % BlockSize);
        from = before ? (from - 1) / BlockSize * BlockSize + static_cast<size_t>(std::bit_width(before))
                      : (from - 1) / BlockSize * BlockSize;
    }
    int16_t* blocks = &blockLongest_[row * wordsPerRow_];
    for (size_t block = from / BlockSize; block <= last / BlockSize; ++block)
        blocks[block] = longestStartingIn(row, block);
}

void OccupancyGrid::refreshRow(size_t row) {
    const int16_t* blocks = &blockLongest_[row * wordsPerRow_];
    longestFree_[row] = static_cast<uint32_t>(*std::max_element(blocks, blocks + wordsPerRow_));
    for (size_t node = leaves_ + row; node >= 1; node /= 2) {
        const uint32_t value =
            node >= leaves_ ? longestFree_[row] : std::max(rowTree_[2 * node], rowTree_[2 * node + 1]);
        if (node < leaves_ && rowTree_[node] == value) break;
        rowTree_[node] = value;
    }
}

} // namespace Isochart
