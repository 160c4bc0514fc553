#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Isochart {

// The runs of set cells along every line (row or column) of a bitmap, each line's runs in
// increasing order.
struct LineRuns {
    using Run = std::array<uint32_t, 2>; // first and last cell of the run
    std::vector<uint32_t> start;         // line l owns runs[start[l] .. start[l + 1])
    std::vector<Run> runs;

    std::span<const Run> line(size_t l) const { return {runs.data() + start[l], start[l + 1] - start[l]}; }
};

// Runs along the rows and along the columns of a width x height bitmap of 0 and 1 bytes, row
// after row. Both cost time in proportion to the cells, read in memory order, with whole
// words of cells that change nothing skipped at once.
class BitmapRuns {
public:
    void find(std::span<const uint8_t> bitmap, size_t width, size_t height);

    const LineRuns& rows() const { return rows_; }
    const LineRuns& columns() const { return columns_; }

private:
    void findRows(std::span<const uint8_t> bitmap, size_t width, size_t height);
    void findColumns(std::span<const uint8_t> bitmap, size_t width, size_t height);

    LineRuns rows_, columns_;
    std::vector<uint32_t> opened_;               // row a column's current run started in
    std::vector<std::array<uint32_t, 3>> ended_; // column, first, last in the order they end
};

} // namespace Isochart
