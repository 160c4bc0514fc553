#pragma once

#include "MObject.h"
#include "MStatus.h"
#include "MVector.h"
#include "SceneNode.h"

#include <memory>
#include <string>
#include <vector>

// The session's scene: the nodes the host knows by name. A new scene holds the host's four
// default cameras: "persp" (perspective) and the orthographic "top", "front" and "side", each a
// transform with a camera shape below it named after it with "Shape" appended.
class Scene {
public:
    Scene();

    // The scene of this process's session.
    static Scene& current();

    // Back to the content of a new scene.
    void reset();

    // Adds a camera transform `name` at `eye` looking at `aim`, with the world's +y as far up as
    // the view allows (a camera looking straight down or up has -z or +z up), and its shape.
    // Fails with kInvalidParameter when either name is taken or `eye` and `aim` coincide.
    MStatus addCamera(const std::string& name, const MVector& eye, const MVector& aim, bool orthographic,
                      double orthographicWidth);

    // The nodes whose names match `pattern` ('*' any run of characters, '?' one), in the order
    // they were made.
    std::vector<MObject> match(const std::string& pattern) const;

private:
    void addCameraNodes(const std::string& name, const MVector& translation, const MVector& rotation, bool orthographic,
                        double orthographicWidth);
    bool hasNode(const std::string& name) const;

    std::vector<std::shared_ptr<SceneNode>> nodes_;
};
