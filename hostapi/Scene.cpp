#include "Scene.h"

#include "DagNode.h"
#include "HostSession.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <set>

namespace {

bool matchesPattern(const char* pattern, const char* name) {
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (matchesPattern(pattern + 1, rest)) return true;
                if (!*rest) return false;
            }
        }
        if (!*name || (*pattern != '?' && *pattern != *name)) return false;
    }
    return !*name;
}

constexpr double kDegrees = 180.0 / std::numbers::pi;

bool validAddress(const SceneNode& node, const PlugAddress& address) {
    if (address.attribute < 0 || address.attribute >= static_cast<int>(node.type().attributeCount())) return false;
    const AttributeDefinition& definition = node.attribute(address.attribute);
    if (address.element >= 0 && !definition.array) return false;
    if (address.child >= 0 && (!definition.hasChildren() || address.child > 2)) return false;
    return !(address.child >= 0 && definition.array && address.element < 0);
}

// The kind of value at an address: a whole array, one number, or a value of the type.
enum class ValueKind { WholeArray, Number, Other };

ValueKind kindAt(const SceneNode& node, const PlugAddress& address) {
    const AttributeDefinition& definition = node.attribute(address.attribute);
    if (definition.array && address.element < 0) return ValueKind::WholeArray;
    if (address.child >= 0 || definition.isNumeric()) return ValueKind::Number;
    return ValueKind::Other;
}

} // namespace

bool isValidNodeName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

Scene::Scene() {
    reset();
}

Scene::~Scene() {
    undoQueue_.flush();
}

Scene& Scene::current() {
    return hostSession().scene;
}

void Scene::reset() {
    undoQueue_.flush();
    selection_.clear();
    connections_.clear();
    for (const std::shared_ptr<SceneNode>& node : nodes_) {
        node->setInScene(false);
        if (auto dag = std::dynamic_pointer_cast<DagNode>(node)) dag->setParent(nullptr);
    }
    nodes_.clear();
    recordsHistory_ = true;
    addCameraNodes("persp", {28.0, 21.0, 28.0}, {-27.938, 45.0, 0.0}, false, 30.0);
    addCameraNodes("top", {0.0, 1000.1, 0.0}, {-90.0, 0.0, 0.0}, true, 30.0);
    addCameraNodes("front", {0.0, 0.0, 1000.1}, {0.0, 0.0, 0.0}, true, 30.0);
    addCameraNodes("side", {1000.1, 0.0, 0.0}, {0.0, 90.0, 0.0}, true, 30.0);
}

MStatus Scene::addCamera(const std::string& name, const MVector& eye, const MVector& aim, bool orthographic,
                         double orthographicWidth) {
    if (!isValidNodeName(name) || find(name) || find(name + "Shape"))
        return MStatus(MStatus::kInvalidParameter, "Name is already in use");
    const MVector view = (aim - eye).normal();
    if (view.length() == 0.0) return MStatus(MStatus::kInvalidParameter, "The camera has no view direction");
    // A camera with no rotation looks down -z; turning it about x by asin(view.y) and then about
    // y by atan2(-view.x, -view.z) points it along the view with no roll. Straight up or down
    // the second turn is left out, as the default top camera has it.
    const bool vertical = view.x == 0.0 && view.z == 0.0;
    const MVector degrees(std::asin(std::clamp(view.y, -1.0, 1.0)) * kDegrees,
                          vertical ? 0.0 : std::atan2(-view.x, -view.z) * kDegrees, 0.0);
    addCameraNodes(name, eye, degrees, orthographic, orthographicWidth);
    return MStatus::kSuccess;
}

void Scene::addCameraNodes(const std::string& name, const MVector& translation, const MVector& rotation,
                           bool orthographic, double orthographicWidth) {
    auto transform = std::static_pointer_cast<DagNode>(TransformNode::nodeType()->create(TransformNode::nodeType()));
    transform->storeValue({transform->findAttribute("translate")}, translation);
    transform->storeValue({transform->findAttribute("rotate")}, rotation);
    addNode(transform, name);
    auto shape = std::static_pointer_cast<DagNode>(CameraNode::nodeType()->create(CameraNode::nodeType()));
    shape->storeValue({shape->findAttribute("orthographic")}, orthographic);
    shape->storeValue({shape->findAttribute("orthographicWidth")}, orthographicWidth);
    shape->storeValue({shape->findAttribute("centerOfInterest")}, translation.length());
    shape->setParent(transform);
    addNode(shape, name + "Shape");
}

namespace {

// "|parent|node" for a DAG node, the name for any other.
std::string fullPathOf(const SceneNode& node) {
    const DagNode* dag = dynamic_cast<const DagNode*>(&node);
    if (!dag) return node.name();
    std::string path;
    for (const DagNode* step = dag; step; step = step->parent())
        path = "|" + step->name() + path;
    return path;
}

// A name matches by itself; a DAG path ("|a|b" from the world, or "a|b" from anywhere)
// matches the end of a node's full path.
bool matchesNode(const std::string& pattern, const SceneNode& node) {
    if (pattern.find('|') == std::string::npos) return matchesPattern(pattern.c_str(), node.name().c_str());
    const std::string path = fullPathOf(node);
    if (pattern[0] == '|') return matchesPattern(pattern.c_str(), path.c_str());
    for (size_t bar = path.find('|'); bar != std::string::npos; bar = path.find('|', bar + 1))
        if (matchesPattern(pattern.c_str(), path.c_str() + bar + 1)) return true;
    return false;
}

} // namespace

std::vector<MObject> Scene::match(const std::string& pattern) const {
    std::vector<MObject> found;
    for (const std::shared_ptr<SceneNode>& node : nodes_)
        if (matchesNode(pattern, *node)) found.emplace_back(node);
    return found;
}

std::shared_ptr<SceneNode> Scene::find(const std::string& name) const {
    for (const std::shared_ptr<SceneNode>& node : nodes_)
        if (node->name() == name) return node;
    return nullptr;
}

std::string Scene::uniqueName(const std::string& wanted) const {
    if (!find(wanted)) return wanted;
    size_t end = wanted.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(wanted[end - 1])))
        --end;
    const std::string base = wanted.substr(0, end);
    for (unsigned number = 1;; ++number)
        if (!find(base + std::to_string(number))) return base + std::to_string(number);
}

void Scene::addNode(const std::shared_ptr<SceneNode>& node, const std::string& wanted) {
    node->setName(uniqueName(wanted));
    node->setInScene(true);
    nodes_.push_back(node);
}

MStatus Scene::rename(SceneNode& node, const std::string& name) {
    if (!isValidNodeName(name)) return MStatus(MStatus::kInvalidParameter, "Invalid node name: " + name);
    const std::shared_ptr<SceneNode> other = find(name);
    if (other && other.get() != &node) return MStatus(MStatus::kInvalidParameter, "Name is already in use: " + name);
    node.setName(name);
    return MStatus::kSuccess;
}

std::vector<NodeRemoval> Scene::remove(const std::shared_ptr<SceneNode>& node) {
    std::vector<NodeRemoval> removals;
    if (node && node->inScene()) removeOne(node, removals);
    return removals;
}

void Scene::removeOne(const std::shared_ptr<SceneNode>& node, std::vector<NodeRemoval>& removals) {
    if (auto dag = std::dynamic_pointer_cast<DagNode>(node))
        for (const std::shared_ptr<DagNode>& child : dag->children())
            removeOne(child, removals);
    MObject object(node);
    hostSession().callbacks.callPreRemoval(object);
    NodeRemoval removal;
    removal.node = node;
    removal.connections = connectionsOf(*node);
    for (const Connection& connection : removal.connections)
        disconnect(connection.source, connection.from, connection.destination, connection.to);
    if (auto dag = std::dynamic_pointer_cast<DagNode>(node)) {
        removal.parent = dag->parentObject();
        removal.childPosition = dag->childPosition();
        dag->setParent(nullptr);
    }
    const auto selected = std::find(selection_.begin(), selection_.end(), object);
    removal.selected = selected != selection_.end();
    if (removal.selected) selection_.erase(selected);
    nodes_.erase(std::find(nodes_.begin(), nodes_.end(), node));
    node->setInScene(false);
    removals.push_back(std::move(removal));
}

void Scene::restore(const std::vector<NodeRemoval>& removals) {
    for (auto removal = removals.rbegin(); removal != removals.rend(); ++removal) {
        addNode(removal->node, removal->node->name());
        if (auto dag = std::dynamic_pointer_cast<DagNode>(removal->node))
            dag->setParent(removal->parent, removal->childPosition);
        if (removal->selected) selection_.emplace_back(removal->node);
    }
    for (const NodeRemoval& removal : removals)
        for (const Connection& connection : removal.connections)
            if (connection.source->inScene() && connection.destination->inScene())
                connect(connection.source, connection.from, connection.destination, connection.to);
}

MStatus Scene::connect(const std::shared_ptr<SceneNode>& source, const PlugAddress& from,
                       const std::shared_ptr<SceneNode>& destination, const PlugAddress& to) {
    if (!source || !destination || !source->inScene() || !destination->inScene())
        return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    if (!validAddress(*source, from) || !validAddress(*destination, to))
        return MStatus(MStatus::kInvalidParameter, "Plug is not valid for this operation");
    const AttributeDefinition& sourceSpec = source->attribute(from.attribute);
    const AttributeDefinition& destinationSpec = destination->attribute(to.attribute);
    if (!sourceSpec.readable || !sourceSpec.connectable || !destinationSpec.writable || !destinationSpec.connectable)
        return MStatus(MStatus::kInvalidParameter, "The attribute cannot be connected");
    const ValueKind sourceKind = kindAt(*source, from), destinationKind = kindAt(*destination, to);
    const bool matching =
        sourceKind == destinationKind && (sourceKind == ValueKind::Number || sourceSpec.type == destinationSpec.type);
    if (!matching) return MStatus(MStatus::kInvalidParameter, "The attributes hold different kinds of value");
    if (source == destination && from.overlaps(to))
        return MStatus(MStatus::kInvalidParameter, "A plug cannot be connected to itself");
    for (const Connection& connection : connections_)
        if (connection.destination == destination && connection.to.overlaps(to))
            return MStatus(MStatus::kInvalidParameter, "The destination already has an incoming connection");
    connections_.push_back({source, from, destination, to});
    destination->setDirty(to.attribute, true);
    propagateDirty(*destination, to.attribute);
    return MStatus::kSuccess;
}

MStatus Scene::disconnect(const std::shared_ptr<SceneNode>& source, const PlugAddress& from,
                          const std::shared_ptr<SceneNode>& destination, const PlugAddress& to) {
    const auto found = std::find_if(connections_.begin(), connections_.end(), [&](const Connection& connection) {
        return connection.source == source && connection.from == from && connection.destination == destination &&
               connection.to == to;
    });
    if (found == connections_.end()) return MStatus(MStatus::kInvalidParameter, "The plugs are not connected");
    connections_.erase(found);
    destination->inputDisconnected(to.attribute);
    return MStatus::kSuccess;
}

std::vector<Connection> Scene::incoming(const SceneNode& node, int attribute) const {
    std::vector<Connection> found;
    for (const Connection& connection : connections_)
        if (connection.destination.get() == &node && connection.to.attribute == attribute) found.push_back(connection);
    return found;
}

std::vector<Connection> Scene::outgoing(const SceneNode& node, int attribute) const {
    std::vector<Connection> found;
    for (const Connection& connection : connections_)
        if (connection.source.get() == &node && connection.from.attribute == attribute) found.push_back(connection);
    return found;
}

std::vector<Connection> Scene::connectionsOf(const SceneNode& node) const {
    std::vector<Connection> found;
    for (const Connection& connection : connections_)
        if (connection.source.get() == &node || connection.destination.get() == &node) found.push_back(connection);
    return found;
}

MStatus Scene::setPlugValue(SceneNode& node, const PlugAddress& address, const AttributeValue& value) {
    if (!validAddress(node, address))
        return MStatus(MStatus::kInvalidParameter, "Plug is not valid for this operation");
    AttributeValue before;
    node.readValue(address, before);
    if (!node.storeValue(address, value))
        return MStatus(MStatus::kInvalidParameter,
                       "The value does not fit the attribute " + node.attribute(address.attribute).longName);
    node.valueChanged(address, before);
    propagateDirty(node, address.attribute);
    return MStatus::kSuccess;
}

void Scene::propagateDirty(SceneNode& node, int attribute) {
    std::vector<std::pair<SceneNode*, int>> pending{{&node, attribute}};
    std::set<std::pair<SceneNode*, int>> visited;
    while (!pending.empty()) {
        const auto [current, changed] = pending.back();
        pending.pop_back();
        if (!visited.insert({current, changed}).second) continue;
        for (const int affected : current->type().affected(changed)) {
            current->setDirty(affected, true);
            pending.push_back({current, affected});
        }
        for (const Connection& connection : connections_)
            if (connection.source.get() == current && connection.from.attribute == changed) {
                connection.destination->setDirty(connection.to.attribute, true);
                pending.push_back({connection.destination.get(), connection.to.attribute});
            }
    }
}
