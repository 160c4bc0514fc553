#pragma once

#include "MObject.h"
#include "MStatus.h"
#include "MVector.h"
#include "SceneNode.h"
#include "UndoQueue.h"

#include <memory>
#include <string>
#include <vector>

class DagNode;

// A connection from a source plug to a destination plug.
struct Connection {
    std::shared_ptr<SceneNode> source;
    PlugAddress from;
    std::shared_ptr<SceneNode> destination;
    PlugAddress to;
};

// What removing one node took away, so that it can be put back.
struct NodeRemoval {
    std::shared_ptr<SceneNode> node;
    std::shared_ptr<DagNode> parent;
    size_t childPosition = 0;
    std::vector<Connection> connections;
    bool selected = false;
};

// The session's scene: the nodes the host knows by name (each name unique), their
// connections, the active selection, the construction-history switch and the undo queue. A
// new scene holds the host's four default cameras: "persp" (perspective) and the orthographic
// "top", "front" and "side", each a transform with a camera shape below it named after it
// with "Shape" appended.
class Scene {
public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // The scene of this process's session.
    static Scene& current();

    // Back to the content of a new scene: the undo queue is flushed and every node removed.
    void reset();

    // Adds a camera transform `name` at `eye` looking at `aim`, with the world's +y as far up as
    // the view allows (a camera looking straight down or up has -z or +z up), and its shape.
    // Fails with kInvalidParameter when either name is taken or `eye` and `aim` coincide.
    MStatus addCamera(const std::string& name, const MVector& eye, const MVector& aim, bool orthographic,
                      double orthographicWidth);

    // The nodes whose names match `pattern` ('*' any run of characters, '?' one), in the order
    // they were made.
    std::vector<MObject> match(const std::string& pattern) const;
    std::shared_ptr<SceneNode> find(const std::string& name) const;
    const std::vector<std::shared_ptr<SceneNode>>& nodes() const { return nodes_; }

    // `wanted` when no node has it, else the name with its trailing digits replaced by the
    // lowest number from 1 that makes it unique ("pCube1" -> "pCube2", "bunny" -> "bunny1").
    std::string uniqueName(const std::string& wanted) const;
    // Adds a node that is in no scene under `wanted` made unique.
    void addNode(const std::shared_ptr<SceneNode>& node, const std::string& wanted);
    // Renames a node; fails when the name is empty, invalid or taken.
    MStatus rename(SceneNode& node, const std::string& name);

    // Removes a node and, for a DAG node, everything below it (the deepest first), after
    // calling their pre-removal callbacks; their connections go with them. Returns what was
    // removed in order, for restore().
    std::vector<NodeRemoval> remove(const std::shared_ptr<SceneNode>& node);
    void restore(const std::vector<NodeRemoval>& removals);

    // Connects two plugs. Fails when either is missing, the source cannot be read, the
    // destination cannot be written or already has an input, or their values do not match.
    MStatus connect(const std::shared_ptr<SceneNode>& source, const PlugAddress& from,
                    const std::shared_ptr<SceneNode>& destination, const PlugAddress& to);
    MStatus disconnect(const std::shared_ptr<SceneNode>& source, const PlugAddress& from,
                       const std::shared_ptr<SceneNode>& destination, const PlugAddress& to);
    // Connections into (out of) an attribute of a node, any element or number of it.
    std::vector<Connection> incoming(const SceneNode& node, int attribute) const;
    std::vector<Connection> outgoing(const SceneNode& node, int attribute) const;
    std::vector<Connection> connectionsOf(const SceneNode& node) const;
    const std::vector<Connection>& connections() const { return connections_; }

    // Stores a value at a plug and marks everything it affects dirty, downstream too.
    MStatus setPlugValue(SceneNode& node, const PlugAddress& address, const AttributeValue& value);
    void propagateDirty(SceneNode& node, int attribute);

    // Evaluations (pulls and computes) done so far, for "dgeval".
    void countEvaluation() { ++evaluations_; }
    unsigned evaluationCount() const { return evaluations_; }

    std::vector<MObject>& selection() { return selection_; }
    bool recordsHistory() const { return recordsHistory_; }
    void setRecordsHistory(bool records) { recordsHistory_ = records; }
    UndoQueue& undoQueue() { return undoQueue_; }

private:
    void addCameraNodes(const std::string& name, const MVector& translation, const MVector& rotation, bool orthographic,
                        double orthographicWidth);
    void removeOne(const std::shared_ptr<SceneNode>& node, std::vector<NodeRemoval>& removals);

    std::vector<std::shared_ptr<SceneNode>> nodes_;
    std::vector<Connection> connections_;
    std::vector<MObject> selection_;
    bool recordsHistory_ = true;
    unsigned evaluations_ = 0;
    UndoQueue undoQueue_;
};

// True for a name the host accepts: a letter or '_' first, then letters, digits and '_'.
bool isValidNodeName(const std::string& name);
