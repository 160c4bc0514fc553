#include "BoxTree.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace OmbrixVectorPacker {

namespace {

double keyOf(const BoxEntry& entry, unsigned key) {
    switch (key & 3u) {
    case 0:
        return entry.minX;
    case 1:
        return entry.minY;
    case 2:
        return entry.maxX;
    default:
        return entry.maxY;
    }
}

bool meets(const BoxEntry& a, const BoxEntry& b) {
    return a.maxX >= b.minX && b.maxX >= a.minX && a.maxY >= b.minY && b.maxY >= a.minY;
}

} // namespace

void BoxTree::insert(const BoxEntry& entry) {
    scanOrder_.clear();
    uint32_t parent = kNone;
    unsigned parentDepth = 0;
    const uint32_t node = insertNode(entry, parent, parentDepth);
    if (built_) return;
    placeInTraversalOrder(node, parent, parentDepth);
    addToGrid(node);
}

uint32_t BoxTree::insertNode(const BoxEntry& entry, uint32_t& parent, unsigned& parentDepth) {
    const uint32_t added = static_cast<uint32_t>(nodes_.size());
    const Node leaf{entry, {entry.minX, entry.minY, entry.maxX, entry.maxY}, kNone, kNone};
    if (nodes_.empty()) {
        nodes_.push_back(leaf);
        return added;
    }
    uint32_t node = 0;
    for (unsigned depth = 0;; ++depth) {
        double* bounds = nodes_[node].bounds;
        bounds[0] = std::min(bounds[0], entry.minX);
        bounds[1] = std::min(bounds[1], entry.minY);
        bounds[2] = std::max(bounds[2], entry.maxX);
        bounds[3] = std::max(bounds[3], entry.maxY);
        uint32_t& child =
            keyOf(entry, depth) < keyOf(nodes_[node].entry, depth) ? nodes_[node].left : nodes_[node].right;
        if (child == kNone) {
            child = added;
            parent = node;
            parentDepth = depth;
            break;
        }
        node = child;
    }
    nodes_.push_back(leaf);
    return added;
}

// A node is visited before its subtrees, the first subtree (left for keys on min
// coordinates, right for keys on max coordinates) before the second, so a new leaf comes
// right after its parent when it is the first child, else right after the parent's first
// subtree.
void BoxTree::placeInTraversalOrder(uint32_t node, uint32_t parent, unsigned parentDepth) {
    auto first = [this](uint32_t n, unsigned depth) { return (depth & 3u) < 2 ? nodes_[n].left : nodes_[n].right; };
    auto second = [this](uint32_t n, unsigned depth) { return (depth & 3u) < 2 ? nodes_[n].right : nodes_[n].left; };
    size_t position = 0;
    if (parent != kNone) {
        uint32_t before = parent;
        if (second(parent, parentDepth) == node && first(parent, parentDepth) != kNone) {
            unsigned depth = parentDepth + 1;
            before = first(parent, parentDepth);
            for (;; ++depth) {
                if (second(before, depth) != kNone)
                    before = second(before, depth);
                else if (first(before, depth) != kNone)
                    before = first(before, depth);
                else
                    break;
            }
        }
        position = traversalRank_[before] + 1;
    }
    traversal_.insert(traversal_.begin() + static_cast<std::ptrdiff_t>(position), node);
    traversalRank_.resize(nodes_.size());
    for (size_t i = position; i < traversal_.size(); ++i)
        traversalRank_[traversal_[i]] = static_cast<uint32_t>(i);
}

int BoxTree::cellIndex(double coordinate, int cells) const {
    if (!(coordinate > 0.0)) return 0;
    const double index = std::floor(coordinate / cellSize_);
    return index >= cells - 1 ? cells - 1 : static_cast<int>(index);
}

void BoxTree::addToGrid(uint32_t node) {
    const BoxEntry& entry = nodes_[node].entry;
    if (cellSize_ == 0.0) {
        const double side = std::max(entry.maxX - entry.minX, entry.maxY - entry.minY) / 4.0;
        cellSize_ = side > 0.0 && std::isfinite(side) ? side : 1.0;
    }
    // Grow the grid to cover the entry (up to its size limit; entries beyond it land in the
    // border cells, which only makes their queries gather more candidates).
    const auto cellsFor = [this](double high) {
        const double cells = high > 0.0 ? std::ceil(high / cellSize_) + 1.0 : 1.0;
        return cells >= kMaxGridCells ? kMaxGridCells : static_cast<int>(cells);
    };
    const int columns = std::max(gridColumns_, cellsFor(entry.maxX));
    const int rows = std::max(gridRows_, cellsFor(entry.maxY));
    if (columns != gridColumns_ || rows != gridRows_) {
        gridColumns_ = std::max(columns, std::min(2 * gridColumns_, kMaxGridCells));
        gridRows_ = std::max(rows, std::min(2 * gridRows_, kMaxGridCells));
        grid_.assign(static_cast<size_t>(gridColumns_) * gridRows_, {});
        for (uint32_t n = 0; n < node; ++n)
            addToGrid(n);
    }
    const int x0 = cellIndex(entry.minX, gridColumns_), x1 = cellIndex(entry.maxX, gridColumns_);
    const int y0 = cellIndex(entry.minY, gridRows_), y1 = cellIndex(entry.maxY, gridRows_);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            grid_[static_cast<size_t>(y) * gridColumns_ + x].push_back(node);
}

size_t BoxTree::gridQuery(const BoxEntry& box, std::vector<uint32_t>& result) const {
    const size_t before = result.size();
    if (box.maxX < box.minX || box.maxY < box.minY) return 0;
    const int x0 = cellIndex(box.minX, gridColumns_), x1 = cellIndex(box.maxX, gridColumns_);
    const int y0 = cellIndex(box.minY, gridRows_), y1 = cellIndex(box.maxY, gridRows_);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            for (const uint32_t node : grid_[static_cast<size_t>(y) * gridColumns_ + x])
                if (meets(nodes_[node].entry, box)) result.push_back(traversalRank_[node]);
    std::sort(result.begin() + static_cast<std::ptrdiff_t>(before), result.end());
    result.erase(std::unique(result.begin() + static_cast<std::ptrdiff_t>(before), result.end()), result.end());
    for (size_t i = before; i < result.size(); ++i)
        result[i] = nodes_[traversal_[result[i]]].entry.id;
    return result.size() - before;
}

void BoxTree::build(std::span<BoxEntry> entries) {
    built_ = true;
    traversal_.clear();
    traversalRank_.clear();
    grid_.clear();
    nodes_.reserve(nodes_.size() + entries.size());
    if (!entries.empty()) buildRange(entries, 0);
    keepTraversalOrder();
}

// A query visits the nodes it does not prune in one fixed depth-first order, so its ids
// are the entries of the full traversal that meet the query box, in that order.
void BoxTree::keepTraversalOrder() {
    scanOrder_.clear();
    if (nodes_.empty() || nodes_.size() > kScanLimit) return;
    BoxQueryStack stack{{0u, uint8_t{0}}};
    while (!stack.empty()) {
        const auto [index, key] = stack.back();
        stack.pop_back();
        const Node& node = nodes_[index];
        scanOrder_.push_back(node.entry);
        const uint8_t next = static_cast<uint8_t>((key + 1) & 3u);
        const uint32_t first = key < 2 ? node.left : node.right, second = key < 2 ? node.right : node.left;
        if (second != kNone) stack.emplace_back(second, next);
        if (first != kNone) stack.emplace_back(first, next);
    }
}

void BoxTree::buildRange(std::span<BoxEntry> entries, unsigned depth) {
    assert(!entries.empty());
    std::sort(entries.begin(), entries.end(),
              [depth](const BoxEntry& a, const BoxEntry& b) { return keyOf(a, depth) < keyOf(b, depth); });
    // The split element is the first one whose key reaches the median's, so that every
    // element before it has a strictly smaller key and lands left of it.
    const double median = keyOf(entries[entries.size() / 2], depth);
    size_t split = entries.size() / 2;
    while (split > 0 && keyOf(entries[split - 1], depth) >= median)
        --split;
    uint32_t parent = kNone;
    unsigned parentDepth = 0;
    insertNode(entries[split], parent, parentDepth);
    if (split > 0) buildRange(entries.first(split), depth + 1);
    if (split + 1 < entries.size()) buildRange(entries.subspan(split + 1), depth + 1);
}

size_t BoxTree::query(const BoxEntry& box, std::vector<uint32_t>& result, BoxQueryStack& stack) const {
    if (nodes_.empty()) return 0;
    const size_t before = result.size();
    if (!scanOrder_.empty()) {
        // Branch-free: every id is written, and the count advances only past the hits.
        result.resize(before + scanOrder_.size());
        uint32_t* out = result.data() + before;
        size_t count = 0;
        for (const BoxEntry& entry : scanOrder_) {
            out[count] = entry.id;
            count += static_cast<size_t>((entry.maxX >= box.minX) & (box.maxX >= entry.minX) &
                                         (entry.maxY >= box.minY) & (box.maxY >= entry.minY));
        }
        result.resize(before + count);
        return count;
    }
    if (!built_) return gridQuery(box, result);
    stack.clear();
    stack.emplace_back(0u, uint8_t{0});
    while (!stack.empty()) {
        const auto [index, key] = stack.back();
        stack.pop_back();
        const Node& node = nodes_[index];
        if (node.bounds[2] < box.minX || box.maxX < node.bounds[0] || node.bounds[3] < box.minY ||
            box.maxY < node.bounds[1])
            continue;
        if (meets(node.entry, box)) result.push_back(node.entry.id);
        const uint8_t next = static_cast<uint8_t>((key + 1) & 3u);
        // Keys on min coordinates can only prune the right subtree, keys on max coordinates
        // only the left one; the child pushed last is visited first.
        switch (key) {
        case 0:
            if (node.right != kNone && box.maxX >= node.entry.minX) stack.emplace_back(node.right, next);
            if (node.left != kNone) stack.emplace_back(node.left, next);
            break;
        case 1:
            if (node.right != kNone && box.maxY >= node.entry.minY) stack.emplace_back(node.right, next);
            if (node.left != kNone) stack.emplace_back(node.left, next);
            break;
        case 2:
            if (node.left != kNone && node.entry.maxX >= box.minX) stack.emplace_back(node.left, next);
            if (node.right != kNone) stack.emplace_back(node.right, next);
            break;
        default:
            if (node.left != kNone && node.entry.maxY >= box.minY) stack.emplace_back(node.left, next);
            if (node.right != kNone) stack.emplace_back(node.right, next);
            break;
        }
    }
    return result.size() - before;
}

void BoxTree::clear() {
    nodes_.clear();
    scanOrder_.clear();
    built_ = false;
    traversal_.clear();
    traversalRank_.clear();
    cellSize_ = 0.0;
    gridColumns_ = 0;
    gridRows_ = 0;
    grid_.clear();
}

} // namespace OmbrixVectorPacker
