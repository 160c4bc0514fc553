#include "TriangleAdjacency.h"

#include "hostapi/M3dView.h"
#include "hostapi/MessageBox.h"

#include <cmath>
#include <new>

namespace {

struct EdgeEntry {
    uint32_t from;
    uint32_t to;
    uint32_t other;
    uint32_t face; // NIL once unlinked
};

struct Normal {
    float x, y, z;
};

// Directed half-edges in hash buckets keyed by their start vertex. Each bucket lists its
// entries newest first, as a linked list with insertion at the head would; the buckets
// are stored one after the other so that a search reads contiguous memory, and unlinking
// an entry only marks it.
class EdgeTable {
public:
    EdgeTable(size_t vertexCount, const std::vector<uint32_t>& indices, const std::vector<char>& skipped)
        : bucketCount_(std::max<size_t>(vertexCount / 3, 1)), offsets_(bucketCount_ + 1, 0) {
        const size_t triangleCount = skipped.size();
        for (size_t t = 0; t < triangleCount; ++t)
            if (!skipped[t])
                for (int p = 0; p < 3; ++p)
                    ++offsets_[bucketOf(indices[3 * t + p]) + 1];
        for (size_t bucket = 0; bucket < bucketCount_; ++bucket)
            offsets_[bucket + 1] += offsets_[bucket];
        entries_.resize(offsets_.back());
        std::vector<uint32_t> fill(offsets_.begin() + 1, offsets_.end());
        // Filling each bucket from its back in insertion order leaves the newest entry first.
        for (size_t t = 0; t < triangleCount; ++t) {
            if (skipped[t]) continue;
            const uint32_t* corners = &indices[3 * t];
            for (int p = 0; p < 3; ++p)
                entries_[--fill[bucketOf(corners[p])]] = {corners[p], corners[(p + 1) % 3], corners[(p + 2) % 3],
                                                          static_cast<uint32_t>(t)};
        }
    }

    // Index of the first live entry in the bucket of `from` at or after `start` that
    // satisfies `match`, or NIL.
    template <typename Match>
    uint32_t find(uint32_t from, Match match, uint32_t start = NIL) const {
        const uint32_t end = offsets_[bucketOf(from) + 1];
        for (uint32_t index = start == NIL ? offsets_[bucketOf(from)] : start; index < end; ++index)
            if (entries_[index].face != NIL && match(entries_[index])) return index;
        return NIL;
    }

    const EdgeEntry& entry(uint32_t index) const { return entries_[index]; }
    void unlink(uint32_t index) { entries_[index].face = NIL; }

private:
    size_t bucketOf(uint32_t vertex) const { return vertex % bucketCount_; }

    size_t bucketCount_;
    std::vector<uint32_t> offsets_;
    std::vector<EdgeEntry> entries_;
};

Normal unitNormal(const std::vector<float>& positions, uint32_t apex, uint32_t second, uint32_t third) {
    const float* p = &positions[3 * apex];
    const float* q = &positions[3 * second];
    const float* r = &positions[3 * third];
    const float e1[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    const float e2[3] = {p[0] - r[0], p[1] - r[1], p[2] - r[2]};
    Normal n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0f) {
        n.x /= length;
        n.y /= length;
        n.z /= length;
    }
    return n;
}

float dot(const Normal& a, const Normal& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Among the entries running va -> vb, the first one, replaced by a later one only when that
// one's normal is strictly closer to the triangle's own.
uint32_t choosePartner(const EdgeTable& table, const std::vector<float>& positions, uint32_t va, uint32_t vb,
                       uint32_t vo) {
    const auto runsBack = [&](const EdgeEntry& entry) { return entry.from == va && entry.to == vb; };
    const uint32_t first = table.find(va, runsBack);
    if (first == NIL) return NIL;
    uint32_t best = first;
    float bestScore = 0.0f;
    bool scored = false;
    Normal own{};
    for (uint32_t index = table.find(va, runsBack, first + 1); index != NIL;
         index = table.find(va, runsBack, index + 1)) {
        const EdgeEntry& candidate = table.entry(index);
        if (!scored) {
            own = unitNormal(positions, vb, va, vo);
            const EdgeEntry& firstEntry = table.entry(first);
            bestScore = dot(own, unitNormal(positions, firstEntry.from, firstEntry.to, firstEntry.other));
            scored = true;
        }
        const float score = dot(own, unitNormal(positions, candidate.from, candidate.to, candidate.other));
        if (score > bestScore) {
            best = index;
            bestScore = score;
        }
    }
    return best;
}

void linkAcross(std::vector<uint32_t>& adjacency, const std::vector<uint32_t>& indices, uint32_t triangle, int corner,
                uint32_t partner, uint32_t va) {
    for (int earlier = 0; earlier < corner; ++earlier)
        if (adjacency[3 * triangle + earlier] == partner) {
            // Two triangles are linked across one edge at most.
            adjacency[3 * triangle + corner] = NIL;
            return;
        }
    for (int q = 0; q < 3; ++q)
        if (indices[3 * partner + q] != NIL && indices[3 * partner + q] == va) {
            adjacency[3 * partner + q] = triangle;
            return;
        }
}

HRESULT buildAdjacency(const UnwrapMesh& mesh, std::vector<uint32_t>& result) {
    const std::vector<uint32_t>& indices = mesh.indices;
    const size_t vertexCount = mesh.positionCount();
    const size_t triangleCount = mesh.triangleCount();
    std::vector<char> skipped(triangleCount, 0);
    for (size_t t = 0; t < triangleCount; ++t) {
        const uint32_t* corners = &indices[3 * t];
        if (corners[0] == NIL || corners[1] == NIL || corners[2] == NIL) {
            skipped[t] = 1;
            continue;
        }
        if (corners[0] >= vertexCount || corners[1] >= vertexCount || corners[2] >= vertexCount) return E_UNEXPECTED;
        if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2]) skipped[t] = 1;
    }
    EdgeTable table(vertexCount, indices, skipped);

    std::vector<uint32_t> adjacency(3 * triangleCount, NIL);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (skipped[t]) continue;
        for (int p = 0; p < 3; ++p) {
            if (adjacency[3 * t + p] != NIL) continue;
            const uint32_t va = indices[3 * t + (p + 1) % 3];
            const uint32_t vb = indices[3 * t + p];
            const uint32_t vo = indices[3 * t + (p + 2) % 3];
            const uint32_t chosen = choosePartner(table, mesh.positions, va, vb, vo);
            if (chosen == NIL) continue;
            const uint32_t partner = table.entry(chosen).face;
            table.unlink(chosen);
            adjacency[3 * t + p] = partner;
            const uint32_t own = table.find(
                vb, [&](const EdgeEntry& entry) { return entry.face == t && entry.from == vb && entry.to == va; });
            if (own != NIL) table.unlink(own);
            linkAcross(adjacency, indices, t, p, partner, va);
        }
    }
    result = std::move(adjacency);
    return S_OK;
}

} // namespace

HRESULT computeTriangleAdjacency(const UnwrapMesh& mesh, std::vector<uint32_t>& adjacency) {
    if (mesh.indices.empty() || mesh.positions.empty()) return E_INVALIDARG;
    try {
        return buildAdjacency(mesh, adjacency);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<uint32_t> collectAdjacency(const UnwrapMesh& mesh, const std::vector<uint32_t>& cutMarks) {
    std::vector<uint32_t> adjacency;
    if (SUCCEEDED(computeTriangleAdjacency(mesh, adjacency))) {
        for (size_t i = 0; i < cutMarks.size() && i < adjacency.size(); ++i)
            if (cutMarks[i] == NIL) adjacency[i] = NIL;
        return adjacency;
    }
    MStatus status;
    M3dView::active3dView();
    const MNativeWindowHdl owner = M3dView::applicationShell(&status);
    if (status) MessageBoxA(owner, "Cannot collect adjacency data for mesh.", "Notification", MB_OK);
    return {};
}
