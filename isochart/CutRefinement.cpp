#include "isochart/CutRefinement.h"

// GCC 12 takes Boost.Graph's optional edge iterators for uninitialised when it inlines them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/boykov_kolmogorov_max_flow.hpp>

#include <algorithm>
#include <cmath>

namespace Isochart {

namespace {

using Traits = boost::adjacency_list_traits<boost::vecS, boost::vecS, boost::directedS>;
using FlowGraph = boost::adjacency_list<
    boost::vecS, boost::vecS, boost::directedS,
    boost::property<
        boost::vertex_index_t, long,
        boost::property<boost::vertex_color_t, boost::default_color_type,
                        boost::property<boost::vertex_distance_t, long,
                                        boost::property<boost::vertex_predecessor_t, Traits::edge_descriptor>>>>,
    boost::property<boost::edge_capacity_t, double,
                    boost::property<boost::edge_residual_capacity_t, double,
                                    boost::property<boost::edge_reverse_t, Traits::edge_descriptor>>>>;
using Node = Traits::vertex_descriptor;

// Cuts across folds sharper than a right angle cost almost nothing next to flat ones.
constexpr double kFlatFloor = 0.02;
// The capacity of an edge inside a polygon: beyond any sum of the costs of real edges.
constexpr double kUncuttable = 1e30;

void addPair(FlowGraph& graph, Node a, Node b, double capacity) {
    const auto forward = boost::add_edge(a, b, graph).first;
    const auto backward = boost::add_edge(b, a, graph).first;
    boost::put(boost::edge_capacity, graph, forward, capacity);
    boost::put(boost::edge_capacity, graph, backward, capacity);
    boost::put(boost::edge_reverse, graph, forward, backward);
    boost::put(boost::edge_reverse, graph, backward, forward);
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

    FlowGraph graph(size_t(free) + 2);
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
                if (t < other) addPair(graph, Node(node[t]), Node(node[other]), capacity);
            } else {
                addPair(graph, Node(node[t]), side[other] == 0 ? source : sink, capacity);
            }
        }
    }
    boost::boykov_kolmogorov_max_flow(graph, source, sink);
    for (uint32_t t = 0; t < count; ++t)
        if (node[t] >= 0) side[t] = boost::get(boost::vertex_color, graph, Node(node[t])) == boost::black_color ? 0 : 1;
}
#pragma GCC diagnostic pop

} // namespace Isochart
