#pragma once

#include "hostapi/DagNode.h"
#include "hostapi/HostSession.h"
#include "hostapi/MDGModifier.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MeshNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Mesh shapes put into the session's scene for tests.
namespace scenemesh {

// A transform named `name` with a mesh shape `name`Shape below it holding `mesh` (a MeshData
// object) as its own geometry. Returns the shape.
inline std::shared_ptr<MeshNode> add(const MObject& mesh, const std::string& name) {
    Scene& scene = hostSession().scene;
    auto transform = std::static_pointer_cast<DagNode>(TransformNode::nodeType()->create(TransformNode::nodeType()));
    scene.addNode(transform, name);
    auto shape = std::static_pointer_cast<MeshNode>(MeshNode::nodeType()->create(MeshNode::nodeType()));
    shape->storeValue({shape->outMeshAttribute()}, mesh);
    shape->setParent(transform);
    scene.addNode(shape, transform->name() + "Shape");
    return shape;
}

// Gives `target` construction history: `source`'s output mesh feeds it.
inline void feed(const std::shared_ptr<MeshNode>& source, const std::shared_ptr<MeshNode>& target) {
    MDGModifier modifier;
    modifier.connect(MFnDependencyNode(MObject(source)).findPlug("outMesh", true),
                     MFnDependencyNode(MObject(target)).findPlug("inMesh", true));
    ASSERT_TRUE(modifier.doIt());
}

// Runs one command line of the host; fails the test when the command fails.
inline CommandResult run(const std::string& line) {
    CommandResult result;
    std::string error;
    const MStatus status = hostSession().commands.execute(line, result, error, true);
    EXPECT_TRUE(status) << line << ": " << error;
    return result;
}

} // namespace scenemesh
