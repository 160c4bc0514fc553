#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

} // namespace

Scene::Scene() {
    reset();
}

Scene& Scene::current() {
    static Scene scene;
    return scene;
}

void Scene::reset() {
    nodes_.clear();
    addCameraNodes("persp", {28.0, 21.0, 28.0}, {-27.938, 45.0, 0.0}, false, 30.0);
    addCameraNodes("top", {0.0, 1000.1, 0.0}, {-90.0, 0.0, 0.0}, true, 30.0);
    addCameraNodes("front", {0.0, 0.0, 1000.1}, {0.0, 0.0, 0.0}, true, 30.0);
    addCameraNodes("side", {1000.1, 0.0, 0.0}, {0.0, 90.0, 0.0}, true, 30.0);
}

MStatus Scene::addCamera(const std::string& name, const MVector& eye, const MVector& aim, bool orthographic,
                         double orthographicWidth) {
    if (name.empty() || hasNode(name) || hasNode(name + "Shape"))
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

std::vector<MObject> Scene::match(const std::string& pattern) const {
    std::vector<MObject> found;
    for (const std::shared_ptr<SceneNode>& node : nodes_)
        if (matchesPattern(pattern.c_str(), node->name().c_str())) found.emplace_back(node);
    return found;
}

void Scene::addCameraNodes(const std::string& name, const MVector& translation, const MVector& rotation,
                           bool orthographic, double orthographicWidth) {
    auto transform = std::make_shared<TransformNode>(name, nullptr);
    transform->setTranslation(translation);
    transform->setRotation(rotation);
    nodes_.push_back(transform);
    nodes_.push_back(std::make_shared<CameraNode>(name + "Shape", transform, orthographic, orthographicWidth));
}

bool Scene::hasNode(const std::string& name) const {
    for (const std::shared_ptr<SceneNode>& node : nodes_)
        if (node->name() == name) return true;
    return false;
}
