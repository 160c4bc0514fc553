#include "M3dView.h"

#include "DagNode.h"
#include "HostSession.h"
#include "MeshData.h"
#include "MeshNode.h"
#include "SoftwareGL.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

std::atomic<MNativeWindowHdl> mainWindow{0};

constexpr uint32_t kBackground = 0x787878;
constexpr uint32_t kWireframe = 0x141428;

struct PanelCamera {
    std::shared_ptr<TransformNode> transform;
    std::shared_ptr<CameraNode> shape;
};

// The camera a panel looks through: its transform and the camera shape below it.
PanelCamera cameraOf(const ModelPanel& panel) {
    PanelCamera camera;
    camera.transform = std::dynamic_pointer_cast<TransformNode>(Scene::current().find(panel.camera));
    if (!camera.transform) return camera;
    for (const std::shared_ptr<DagNode>& child : camera.transform->children())
        if (auto shape = std::dynamic_pointer_cast<CameraNode>(child)) {
            camera.shape = shape;
            break;
        }
    return camera;
}

// The lens as a matrix from eye coordinates (looking down -z) to clip coordinates, keeping
// pixels square: the horizontal field of view (or orthographic width) spans the picture's
// width.
MMatrix projectionOf(const CameraNode& camera, int32_t width, int32_t height) {
    const double aspect = static_cast<double>(width) / std::max(height, 1);
    MMatrix projection;
    if (camera.orthographic()) {
        const double halfWidth = std::max(camera.orthographicWidth(), 1e-9) / 2.0;
        projection[0][0] = 1.0 / halfWidth;
        projection[1][1] = aspect / halfWidth;
        return projection;
    }
    const double focal = 1.0 / std::tan(camera.horizontalFieldOfView() / 2.0);
    projection[0][0] = focal;
    projection[1][1] = focal * aspect;
    projection[2][2] = 0.0;
    projection[2][3] = -1.0;
    projection[3][3] = 0.0;
    return projection;
}

std::vector<std::shared_ptr<MeshNode>> visibleMeshes() {
    std::vector<std::shared_ptr<MeshNode>> meshes;
    for (const std::shared_ptr<SceneNode>& node : Scene::current().nodes()) {
        auto mesh = std::dynamic_pointer_cast<MeshNode>(node);
        if (!mesh || mesh->isIntermediate()) continue;
        AttributeValue visible;
        mesh->readValue({mesh->findAttribute("visibility")}, visible);
        if (numberOf(visible) != 0.0) meshes.push_back(mesh);
    }
    return meshes;
}

void drawWireframe(SoftwareGL& gl, MeshNode& mesh, const MMatrix& view) {
    const MeshData* data = mesh.outputMesh().as<MeshData>();
    if (!data) return;
    const MMatrix modelView = mesh.worldMatrix() * view;
    for (int edge = 0; edge < data->numEdges(); ++edge) {
        const MPoint& a = data->points()[data->edgeVertex(edge, 0)];
        const MPoint& b = data->points()[data->edgeVertex(edge, 1)];
        const double from[3] = {a.x, a.y, a.z}, to[3] = {b.x, b.y, b.z};
        gl.drawSegment(modelView, from, to);
    }
}

bool bindPanel(ModelPanel& panel) {
    const PanelCamera camera = cameraOf(panel);
    if (panel.image.width != panel.width || panel.image.height != panel.height)
        clearImage(panel.image, panel.width, panel.height, kBackground);
    if (!camera.shape) return false;
    softwareGL().bind(panel.image, camera.shape->worldMatrix().inverse(),
                      projectionOf(*camera.shape, panel.width, panel.height));
    return true;
}

void renderPanel(const std::string& name) {
    ModelPanel* panel = hostSession().ui.findPanel(name);
    if (!panel) return;
    clearImage(panel->image, panel->width, panel->height, kBackground);
    if (bindPanel(*panel)) {
        SoftwareGL& gl = softwareGL();
        gl.colour(((kWireframe >> 16) & 0xff) / 255.0f, ((kWireframe >> 8) & 0xff) / 255.0f,
                  (kWireframe & 0xff) / 255.0f);
        const MMatrix view = cameraOf(*panel).shape->worldMatrix().inverse();
        for (const std::shared_ptr<MeshNode>& mesh : visibleMeshes())
            drawWireframe(gl, *mesh, view);
        gl.unbind();
    }
    hostSession().callbacks.callPostRender(name);
}

} // namespace

M3dView M3dView::active3dView(MStatus* status) {
    const bool found = mainWindow != 0 && hostSession().ui.findPanel("modelPanel4");
    setStatus(status, found ? MStatus() : MStatus(MStatus::kFailure, "No active view"));
    return M3dView(found ? "modelPanel4" : "");
}

MStatus M3dView::getM3dViewFromModelPanel(const MString& panelName, M3dView& view) {
    if (!hostSession().ui.findPanel(panelName.str()))
        return MStatus(MStatus::kInvalidParameter, "No model panel named " + panelName.str());
    view = M3dView(panelName.str());
    return MStatus::kSuccess;
}

MNativeWindowHdl M3dView::applicationShell(MStatus* status) {
    const MNativeWindowHdl window = mainWindow;
    setStatus(status, window == 0 ? MStatus(MStatus::kFailure, "No main window in batch mode") : MStatus());
    return window;
}

void M3dView::setApplicationShell(MNativeWindowHdl window) {
    mainWindow = window;
}

MStatus M3dView::getCamera(MDagPath& camera) const {
    ModelPanel* panel = hostSession().ui.findPanel(panel_);
    const PanelCamera found = panel ? cameraOf(*panel) : PanelCamera{};
    if (!found.shape) return MStatus(MStatus::kInvalidParameter, "The view has no camera");
    return MDagPath::getAPathTo(MObject(found.shape), camera);
}

MStatus M3dView::beginGL() {
    ModelPanel* panel = hostSession().ui.findPanel(panel_);
    if (!panel || !bindPanel(*panel)) return MStatus(MStatus::kFailure, "The view cannot be drawn");
    return MStatus::kSuccess;
}

MStatus M3dView::endGL() {
    softwareGL().unbind();
    return MStatus::kSuccess;
}

MStatus M3dView::refresh(bool all, bool) {
    if (all) {
        refreshModelPanels();
        return MStatus::kSuccess;
    }
    if (!hostSession().ui.findPanel(panel_)) return MStatus(MStatus::kInvalidParameter, "The view is gone");
    renderPanel(panel_);
    return MStatus::kSuccess;
}

int M3dView::portWidth(MStatus* status) const {
    const ModelPanel* panel = hostSession().ui.findPanel(panel_);
    setStatus(status, panel ? MStatus() : MStatus(MStatus::kInvalidParameter, "The view is gone"));
    return panel ? panel->width : 0;
}

int M3dView::portHeight(MStatus* status) const {
    const ModelPanel* panel = hostSession().ui.findPanel(panel_);
    setStatus(status, panel ? MStatus() : MStatus(MStatus::kInvalidParameter, "The view is gone"));
    return panel ? panel->height : 0;
}

const PanelImage* M3dView::image() const {
    const ModelPanel* panel = hostSession().ui.findPanel(panel_);
    return panel ? &panel->image : nullptr;
}

void M3dView::refreshModelPanels() {
    std::vector<std::string> names;
    for (const ModelPanel& panel : hostSession().ui.panels())
        names.push_back(panel.name);
    for (const std::string& name : names)
        renderPanel(name);
}

bool M3dView::fitModelPanels() {
    MPoint low(1e300, 1e300, 1e300), high(-1e300, -1e300, -1e300);
    bool any = false;
    for (const std::shared_ptr<MeshNode>& mesh : visibleMeshes()) {
        const MeshData* data = mesh->outputMesh().as<MeshData>();
        if (!data) continue;
        const MMatrix world = mesh->worldMatrix();
        for (const MPoint& point : data->points()) {
            const MPoint p = point * world;
            low = MPoint(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
            high = MPoint(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
            any = true;
        }
    }
    if (!any) return false;
    const MPoint centre((low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2);
    const double radius = std::max((high - low).length() / 2.0, 1e-6) * 1.05;
    Scene& scene = Scene::current();
    for (const ModelPanel& panel : hostSession().ui.panels()) {
        const PanelCamera camera = cameraOf(panel);
        if (!camera.shape) continue;
        const MVector view = (MVector(0.0, 0.0, -1.0) * camera.transform->worldMatrix()).normal();
        const double aspect = static_cast<double>(panel.width) / std::max(panel.height, 1);
        double distance = radius + 100.0;
        if (camera.shape->orthographic()) {
            // The box's corners seen across and up the view, with a margin.
            const MMatrix world = camera.transform->worldMatrix();
            const MVector across = (MVector(1.0, 0.0, 0.0) * world).normal();
            const MVector up = (MVector(0.0, 1.0, 0.0) * world).normal();
            double halfAcross = 1e-6, halfUp = 1e-6;
            for (int corner = 0; corner < 8; ++corner) {
                const MPoint p(corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y, corner & 4 ? high.z : low.z);
                halfAcross = std::max(halfAcross, std::fabs((p - centre) * across));
                halfUp = std::max(halfUp, std::fabs((p - centre) * up));
            }
            scene.setPlugValue(*camera.shape, {camera.shape->findAttribute("orthographicWidth")},
                               2.2 * std::max(halfAcross, halfUp * aspect));
        } else {
            const double horizontal = camera.shape->horizontalFieldOfView();
            const double vertical = 2.0 * std::atan(std::tan(horizontal / 2.0) / aspect);
            distance = radius / std::sin(std::min(horizontal, vertical) / 2.0);
        }
        const MPoint eye = centre + view * -distance;
        scene.setPlugValue(*camera.transform, {camera.transform->findAttribute("translate")},
                           MVector(eye.x, eye.y, eye.z));
        scene.setPlugValue(*camera.shape, {camera.shape->findAttribute("centerOfInterest")}, distance);
    }
    return true;
}
