#include "isochart/BitmapRuns.h"

#include <algorithm>
#include <cstring>

namespace Isochart {

namespace {

uint64_t loadWord(const uint8_t* cells) {
    uint64_t word;
    std::memcpy(&word, cells, sizeof word);
    return word;
}

} // namespace

void BitmapRuns::find(std::span<const uint8_t> bitmap, size_t width, size_t height) {
    findRows(bitmap, width, height);
    findColumns(bitmap, width, height);
}

void BitmapRuns::findRows(std::span<const uint8_t> bitmap, size_t width, size_t height) {
    rows_.start.assign(1, 0);
    rows_.runs.clear();
    for (size_t row = 0; row < height; ++row) {
        const uint8_t* const begin = bitmap.data() + row * width;
        const uint8_t* const end = begin + width;
        for (const uint8_t* cell = begin; cell < end;) {
            const auto* first = static_cast<const uint8_t*>(std::memchr(cell, 1, static_cast<size_t>(end - cell)));
            if (!first) break;
            const auto* past = static_cast<const uint8_t*>(std::memchr(first, 0, static_cast<size_t>(end - first)));
            if (!past) past = end;
            rows_.runs.push_back({static_cast<uint32_t>(first - begin), static_cast<uint32_t>(past - begin - 1)});
            cell = past;
        }
        rows_.start.push_back(static_cast<uint32_t>(rows_.runs.size()));
    }
}

// One sweep up the rows notes where every column's runs start and end; a stable counting sort
// then groups the runs by column.
void BitmapRuns::findColumns(std::span<const uint8_t> bitmap, size_t width, size_t height) {
    opened_.assign(width, 0);
    ended_.clear();
    // Row `height` is the empty row past the top, where every run still open ends.
    for (size_t row = 0; row <= height; ++row) {
        const uint8_t* below = row > 0 ? bitmap.data() + (row - 1) * width : nullptr;
        const uint8_t* here = row < height ? bitmap.data() + row * width : nullptr;
        for (size_t column = 0; column < width;) {
            if (column + sizeof(uint64_t) <= width) {
                const uint64_t before = below ? loadWord(below + column) : 0;
                const uint64_t now = here ? loadWord(here + column) : 0;
                if (before == now) {
                    column += sizeof(uint64_t);
                    continue;
                }
            }
            for (const size_t stop = std::min(width, column + sizeof(uint64_t)); column < stop; ++column) {
                const bool was = below && below[column], is = here && here[column];
                if (is && !was) opened_[column] = static_cast<uint32_t>(row);
                if (was && !is)
                    ended_.push_back({static_cast<uint32_t>(column), opened_[column], static_cast<uint32_t>(row - 1)});
            }
        }
    }
    columns_.start.assign(width + 1, 0);
    for (const auto& run : ended_)
        ++columns_.start[run[0] + 1];
    for (size_t column = 0; column < width; ++column)
        columns_.start[column + 1] += columns_.start[column];
    columns_.runs.resize(ended_.size());
    opened_.assign(columns_.start.begin(), columns_.start.end() - 1);
    for (const auto& run : ended_)
        columns_.runs[opened_[run[0]]++] = {run[1], run[2]};
}

} // namespace Isochart
