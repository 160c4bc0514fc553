#include "ChartUVs.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <unordered_map>

void giveChartsOwnUVs(UnwrapMesh& mesh, const std::vector<uint32_t>& labels) {
    assert(labels.size() == mesh.uvIndexCount() / 3);
    std::vector<uint32_t> renumbered(mesh.uvCount(), NIL), owner(mesh.uvCount(), 0);
    // Copies for further charts, keyed by (UV, label); rare, so a map serves them.
    std::unordered_map<uint64_t, uint32_t> copies;
    std::vector<float> uvs;
    uvs.reserve(mesh.uvs.size());
    const auto append = [&](uint32_t uv) {
        uvs.insert(uvs.end(), &mesh.uvs[3 * size_t{uv}], &mesh.uvs[3 * size_t{uv}] + 3);
        return static_cast<uint32_t>(uvs.size() / 3 - 1);
    };
    for (size_t corner = 0; corner < mesh.uv_indices.size(); ++corner) {
        const uint32_t uv = mesh.uv_indices[corner];
        const uint32_t label = labels[corner / 3];
        if (renumbered[uv] == NIL) {
            renumbered[uv] = append(uv);
            owner[uv] = label;
        }
        if (owner[uv] == label) {
            mesh.uv_indices[corner] = renumbered[uv];
            continue;
        }
        const auto [copy, added] = copies.try_emplace(uint64_t{uv} << 32 | label, 0u);
        if (added) copy->second = append(uv);
        mesh.uv_indices[corner] = copy->second;
    }
    mesh.uvs = std::move(uvs);
}

void rescaleCharts(UnwrapMesh& mesh, const std::vector<uint32_t>& labels) {
    const size_t triangleCount = mesh.uvIndexCount() / 3;
    assert(labels.size() == triangleCount && mesh.indexCount() >= mesh.uvIndexCount());
    const uint32_t chartCount = labels.empty() ? 0 : *std::max_element(labels.begin(), labels.end());
    std::vector<double> surfaceArea(size_t{chartCount} + 1, 0.0), uvArea(size_t{chartCount} + 1, 0.0);
    for (size_t t = 0; t < triangleCount; ++t) {
        surfaceArea[labels[t]] += triangleArea(mesh.positions, &mesh.indices[3 * t]);
        uvArea[labels[t]] += triangleArea(mesh.uvs, &mesh.uv_indices[3 * t]);
    }
    std::vector<float> factor(size_t{chartCount} + 1, 1.0f);
    for (uint32_t chart = 1; chart <= chartCount; ++chart)
        if (uvArea[chart] > 0.0) factor[chart] = static_cast<float>(std::sqrt(surfaceArea[chart] / uvArea[chart]));
    std::vector<char> scaled(mesh.uvCount(), 0);
    for (size_t corner = 0; corner < mesh.uv_indices.size(); ++corner) {
        const uint32_t uv = mesh.uv_indices[corner];
        if (scaled[uv]) continue;
        scaled[uv] = 1;
        for (int d = 0; d < 3; ++d)
            mesh.uvs[3 * size_t{uv} + d] *= factor[labels[corner / 3]];
    }
}
