#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace OmbrixVectorPacker {

// An axis-aligned box with the id of what it bounds.
struct BoxEntry {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
    uint32_t id = 0;
};

// Traversal stack of a query: node number and the key coordinate (0 min x, 1 min y, 2 max
// x, 3 max y) of that node's depth. Owned by the caller so that queries allocate nothing
// once it has grown.
using BoxQueryStack = std::vector<std::pair<uint32_t, uint8_t>>;

// A k-d tree in four dimensions over boxes: the key of a node at depth d is coordinate
// d mod 4 of its box (min x, min y, max x, max y); smaller keys go left, equal or greater
// keys go right. Nodes live in one array and refer to their children by number; each node
// also keeps the bounds of its whole subtree, so queries skip subtrees that cannot meet the
// query box without changing which ids they return or their order. A tree filled one
// entry at a time also keeps its traversal order and a grid of its entries: a query then
// gathers the entries from the grid cells it covers and lists those meeting the box in
// traversal order, the same answer as the walk without visiting unrelated nodes.
class BoxTree {
public:
    void insert(const BoxEntry& entry);
    // Inserts a whole list balanced by median splits; `entries` is reordered. A small tree
    // built this way also keeps its entries in traversal order, and its queries scan them.
    void build(std::span<BoxEntry> entries);
    // Appends the ids of all boxes that meet `box` (touching counts) in depth-first order:
    // at each node its own id, then the subtrees in the order the key allows. Returns how
    // many ids were appended.
    size_t query(const BoxEntry& box, std::vector<uint32_t>& result, BoxQueryStack& stack) const;
    void clear();

    size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    struct Node {
        BoxEntry entry;
        // min x, min y, max x, max y over the node and everything below it.
        double bounds[4];
        uint32_t left = kNone;
        uint32_t right = kNone;
    };

    // Trees up to this size answer queries by scanning their entries in traversal order,
    // which gives the same ids in the same order as walking the tree.
    static constexpr size_t kScanLimit = 48;

    static constexpr int kMaxGridCells = 1024;

    uint32_t insertNode(const BoxEntry& entry, uint32_t& parent, unsigned& parentDepth);
    void buildRange(std::span<BoxEntry> entries, unsigned depth);
    void keepTraversalOrder();
    void placeInTraversalOrder(uint32_t node, uint32_t parent, unsigned parentDepth);
    void addToGrid(uint32_t node);
    int cellIndex(double coordinate, int cells) const;
    size_t gridQuery(const BoxEntry& box, std::vector<uint32_t>& result) const;

    std::vector<Node> nodes_;
    std::vector<BoxEntry> scanOrder_;
    // Filled only while every entry came through `insert`.
    bool built_ = false;
    std::vector<uint32_t> traversal_;
    std::vector<uint32_t> traversalRank_;
    double cellSize_ = 0.0;
    int gridColumns_ = 0;
    int gridRows_ = 0;
    std::vector<std::vector<uint32_t>> grid_;
};

} // namespace OmbrixVectorPacker
