#include "isochart/CutRefinement.h"

// GCC 12 takes Boost.Graph's optional edge iterators for uninitialised when it inlines them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/graph/boykov_kolmogorov_max_flow.hpp>
#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/property_map/property_map.hpp>

#include <algorithm>
#include <cmath>

namespace Isochart {

namespace {

using FlowGraph = boost::compressed_sparse_row_graph<boost::directedS>;
using Node = boost::graph_traits<FlowGraph>::vertex_descriptor;
using Edge = boost::graph_traits<FlowGraph>::edge_descriptor;

// Cuts across folds sharper than a right angle cost almost nothing next to flat ones.
constexpr double kFlatFloor = 0.02;
// The capacity of an edge inside a polygon: beyond any sum of the costs of real edges.
constexpr double kUncuttable = 1e30;

// The arcs of the flow network in the order they were added, each beside its reverse. The
// graph lists every node's arcs in that order, which fixes the order the search visits them.
struct Arcs {
    std::vector<std::pair<Node, Node>> ends;
    std::vector<double> capacity;

    void addPair(Node a, Node b, double arcCapacity) {
        ends.emplace_back(a, b);
        ends.emplace_back(b, a);
        capacity.insert(capacity.end(), {arcCapacity, arcCapacity});
    }
};

// The minimum cut between source and sink; true for the nodes left on the source's side.
std::vector<uint8_t> sourceSide(const Arcs& arcs, size_t nodeCount, Node source, Node sink) {
    // Arcs grouped by their first node, keeping the order they were added in.
    std::vector<size_t> position(arcs.ends.size()), start(nodeCount + 1, 0);
    for (const auto& arc : arcs.ends)
        ++start[arc.first + 1];
    for (size_t node = 0; node < nodeCount; ++node)
        start[node + 1] += start[node];
    std::vector<std::pair<Node, Node>> sorted(arcs.ends.size());
    for (size_t arc = 0; arc < arcs.ends.size(); ++arc) {
        position[arc] = start[arcs.ends[arc].first]++;
        sorted[position[arc]] = arcs.ends[arc];
    }
    const FlowGraph graph(boost::edges_are_sorted, sorted.begin(), sorted.end(), nodeCount);
    std::vector<Edge> edge(sorted.size());
    for (auto [e, end] = boost::edges(graph); e != end; ++e)
        edge[boost::get(boost::edge_index, graph, *e)] = *e;
    std::vector<double> capacity(sorted.size()), residual(sorted.size());
    std::vector<Edge> reverse(sorted.size());
    for (size_t arc = 0; arc < arcs.ends.size(); ++arc) {
        capacity[position[arc]] = arcs.capacity[arc];
        reverse[position[arc]] = edge[position[arc ^ 1]];
    }
    const auto edgeIndex = boost::get(boost::edge_index, graph);
    std::vector<Edge> predecessor(nodeCount);
    std::vector<boost::default_color_type> color(nodeCount);
    std::vector<long> distance(nodeCount);
    const auto vertexIndex = boost::get(boost::vertex_index, graph);
    boost::boykov_kolmogorov_max_flow(graph, boost::make_iterator_property_map(capacity.begin(), edgeIndex),
                                      boost::make_iterator_property_map(residual.begin(), edgeIndex),
                                      boost::make_iterator_property_map(reverse.begin(), edgeIndex),
                                      boost::make_iterator_property_map(predecessor.begin(), vertexIndex),
                                      boost::make_iterator_property_map(color.begin(), vertexIndex),
                                      boost::make_iterator_property_map(distance.begin(), vertexIndex), vertexIndex,
                                      source, sink);
    std::vector<uint8_t> onSource(nodeCount);
    for (size_t node = 0; node < nodeCount; ++node)
        onSource[node] = color[node] == boost::black_color;
    return onSource;
}

// `offCentre`: 0 on the zero level of the values, 1 at the band's edge.
double cutCost(const SurfaceMesh& surface, const ChartMesh& chart, uint32_t t, int k, double offCentre) {
    const uint32_t a = chart.triangles[t], b = chart.triangles[chart.links[t][k]];
    const double length = (surface.corner(a, (k + 1) % 3) - surface.corner(a, k)).norm();
    const double flatness = 0.5 * (1.0 + surface.normal[a].dot(surface.normal[b]));
    return length * (kFlatFloor + flatness * flatness) * (1.0 + offCentre);
}

} // namespace

void refineCut(const SurfaceMesh& surface, const ChartMesh& chart, const std::vector<double>& value, double band,
               bool cutPolygons, std::vector<uint8_t>& side) {
    const size_t count = chart.triangleCount();
    side.resize(count);
    std::vector<long> node(count, -1);
    long free = 0;
    for (uint32_t t = 0; t < count; ++t) {
        side[t] = value[t] >= 0.0 ? 0 : 1;
        if (std::abs(value[t]) < band) node[t] = free++;
    }
    if (free == 0) return;

    Arcs arcs;
    const Node source = Node(free), sink = Node(free + 1);
    for (uint32_t t = 0; t < count; ++t) {
        if (node[t] < 0) continue;
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = chart.links[t][k];
            if (other == kNil) continue;
            const bool samePolygon =
                !cutPolygons && surface.polygonOf[chart.triangles[t]] == surface.polygonOf[chart.triangles[other]];
            const double offCentre = std::min(1.0, 0.5 * std::abs(value[t] + value[other]) / band);
            const double capacity = samePolygon ? kUncuttable : cutCost(surface, chart, t, k, offCentre);
            if (node[other] >= 0) {
                if (t < other) arcs.addPair(Node(node[t]), Node(node[other]), capacity);
            } else {
                arcs.addPair(Node(node[t]), side[other] == 0 ? source : sink, capacity);
            }
        }
    }
    const std::vector<uint8_t> onSource = sourceSide(arcs, size_t(free) + 2, source, sink);
    for (uint32_t t = 0; t < count; ++t)
        if (node[t] >= 0) side[t] = onSource[size_t(node[t])] ? 0 : 1;
}
#pragma GCC diagnostic pop

} // namespace Isochart
