#include "ProjectionUnwrap.h"

#include "core/AxisPlanes.h"
#include "core/VarnelleException.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnMatrixData.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MTransformationMatrix.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

using Direction = Projector::Direction;

constexpr double kRadiansPerDegree = 0.017453292519943295;

Direction operator-(const Direction& a, const Direction& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Direction operator+(const Direction& a, const Direction& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Direction operator*(const Direction& a, float scale) {
    return {a.x * scale, a.y * scale, a.z * scale};
}

Direction negated(const Direction& a) {
    return {-a.x, -a.y, -a.z};
}

float dot(const Direction& a, const Direction& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Direction cross(const Direction& a, const Direction& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The cosine of the angle between two vectors; NaN when either is zero.
float cosine(const Direction& a, const Direction& b) {
    return dot(a, b) / std::sqrt(dot(a, a) * dot(b, b));
}

Direction narrowed(const MVector& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// Whether q lies in the one-sided cone with apex `apex`, axis `axis` and cos(half-angle) `cosHalf`.
bool inCone(const Direction& q, const Direction& apex, const Direction& axis, float cosHalf) {
    const Direction d = q - apex;
    const float along = dot(d, axis);
    return along >= 0.0f && along * along - dot(d, d) * cosHalf * cosHalf >= 0.0f;
}

// Whether the segment a-b meets the surface of the cone on its forward side: the roots in
// [0, 1] of (d . axis)^2 - |d|^2 cos^2 along d = a - apex + s (b - a), with d . axis >= 0.
bool segmentMeetsCone(const Direction& a, const Direction& b, const Direction& apex, const Direction& axis,
                      float cosHalf) {
    const Direction start = a - apex, edge = b - a;
    const double c2 = double(cosHalf) * cosHalf;
    const double sv = dot(start, axis), ev = dot(edge, axis);
    const double quadratic = ev * ev - c2 * dot(edge, edge);
    const double linear = 2.0 * (sv * ev - c2 * dot(start, edge));
    const double constant = sv * sv - c2 * dot(start, start);
    double roots[2];
    int count = 0;
    if (std::fabs(quadratic) < 1e-12 * (std::fabs(linear) + std::fabs(constant) + 1e-30)) {
        if (linear != 0.0) roots[count++] = -constant / linear;
    } else {
        const double discriminant = linear * linear - 4.0 * quadratic * constant;
        if (discriminant < 0.0) return false;
        const double root = std::sqrt(discriminant);
        roots[count++] = (-linear - root) / (2.0 * quadratic);
        roots[count++] = (-linear + root) / (2.0 * quadratic);
    }
    for (int i = 0; i < count; ++i)
        if (roots[i] >= 0.0 && roots[i] <= 1.0 && sv + roots[i] * ev >= 0.0) return true;
    return false;
}

// Whether the ray from `origin` along `direction` passes through the triangle (Moeller-Trumbore).
bool rayHitsTriangle(const Direction& origin, const Direction& direction, const Direction& p0, const Direction& p1,
                     const Direction& p2) {
    const Direction e1 = p1 - p0, e2 = p2 - p0;
    const Direction h = cross(direction, e2);
    const float determinant = dot(e1, h);
    if (determinant == 0.0f) return false;
    const float inverse = 1.0f / determinant;
    const Direction s = origin - p0;
    const float u = dot(s, h) * inverse;
    if (u < 0.0f || u > 1.0f) return false;
    const Direction q = cross(s, e1);
    const float v = dot(direction, q) * inverse;
    if (v < 0.0f || u + v > 1.0f) return false;
    return dot(e2, q) * inverse >= 0.0f;
}

// The position (0 to 5) of the largest value, the first on ties (and on NaN).
uint32_t largestOf(const float (&values)[6]) {
    uint32_t best = 0;
    for (uint32_t i = 1; i < 6; ++i)
        if (values[i] > values[best]) best = i;
    return best;
}

} // namespace

Projector::Projector(const MString& camera) {
    MSelectionList list;
    MGlobal::getSelectionListByName(camera, list);
    if (list.length() == 0) {
        if (camera.empty()) return;
        raiseError(ErrorSites::CameraNotFound, camera.str());
    }
    MObject node;
    list.getDependNode(0, node);
    MStatus status;
    const MPlug worldMatrix = MFnDependencyNode(node).findPlug("worldMatrix", false, &status);
    if (!status || worldMatrix.numElements() == 0) raiseError(ErrorSites::CameraNotFound, camera.str());
    const MObject data = worldMatrix.elementByPhysicalIndex(0).asMObject();
    const MTransformationMatrix transformation(MFnMatrixData(data).matrix());
    eye_ = narrowed(transformation.getTranslation(MSpace::kWorld));
    const MQuaternion rotation = transformation.rotation();
    viewDir_ = narrowed(MVector(0.0, 0.0, -1.0).rotateBy(rotation));
    upDir_ = narrowed(MVector(0.0, 1.0, 0.0).rotateBy(rotation));
    rightDir_ = cross(viewDir_, upDir_);
}

void Projector::run(UnwrapMesh& mesh, std::vector<uint32_t>& adjacency, std::vector<uint32_t>& falseEdges,
                    const UnwrapSettings& settings) {
    points_.resize(mesh.positions.size());
    for (size_t point = 0; point < mesh.positionCount(); ++point) {
        const float* p = &mesh.positions[3 * point];
        const MVector turned = MVector(p[0], p[1], p[2]) * mesh.transform;
        points_[3 * point] = static_cast<float>(turned.x);
        points_[3 * point + 1] = static_cast<float>(turned.y);
        points_[3 * point + 2] = static_cast<float>(turned.z);
    }
    indices_ = mesh.indices;
    adjacency_ = adjacency;
    falseEdges_ = falseEdges;
    const size_t triangleCount = indices_.size() / 3;
    triClass_.assign(triangleCount, NIL);
    visitedBy_.assign(triangleCount, NIL);
    cosAngle_ = static_cast<float>(std::cos(settings.cam_angle * kRadiansPerDegree));
    cosExtend_ = static_cast<float>(std::cos((settings.cam_extend - 90.0) * kRadiansPerDegree));

    if (settings.cam_ortho)
        classifyOrthographic();
    else
        classifyPerspective();
    splitPoints();
    projectPoints(settings.cam_ortho);
    // Points no triangle uses take no part: the check looks at the triangles.
    if (std::none_of(triClass_.begin(), triClass_.end(), [](uint32_t c) { return c < FilteredClass; }))
        raiseError(settings.cam_ortho ? ErrorSites::NothingToProjectOrthographic
                                      : ErrorSites::NothingToProjectPerspective);
    cutClassBorders();

    mesh.uvs = points_;
    mesh.uv_indices = indices_;
    adjacency = adjacency_;
    falseEdges = falseEdges_;
}

Direction Projector::corner(uint32_t triangle, int k) const {
    const float* p = &points_[3 * size_t{indices_[3 * size_t{triangle} + k]}];
    return {p[0], p[1], p[2]};
}

Direction Projector::triangleNormal(uint32_t triangle) const {
    const Direction p0 = corner(triangle, 0);
    return cross(p0 - corner(triangle, 1), p0 - corner(triangle, 2));
}

void Projector::classifyOrthographic() {
    for (uint32_t t = 0; t < triClass_.size(); ++t) {
        if (triClass_[t] != NIL) continue;
        const Direction n = triangleNormal(t);
        const float towardView = cosine(viewDir_, n);
        if (towardView >= cosExtend_) {
            spreadClass(t, FilteredClass);
            continue;
        }
        const float up = cosine(n, upDir_), right = cosine(n, rightDir_);
        const float values[6] = {towardView, -towardView, up, -up, right, -right};
        spreadClass(t, largestOf(values));
    }
}

void Projector::classifyPerspective() {
    for (uint32_t t = 0; t < triClass_.size(); ++t) {
        if (triClass_[t] != NIL) continue;
        const Direction n = triangleNormal(t);
        const Direction centroid = (corner(t, 0) + corner(t, 1) + corner(t, 2)) * 0.33333334f;
        // A polygon whose first triangle has no normal faces nowhere: it is filtered.
        const bool flat = n.x == 0.0f && n.y == 0.0f && n.z == 0.0f;
        if (flat || cosine(n, eye_ - centroid) < -cosExtend_ || !polygonVisible(t)) {
            spreadClass(t, FilteredClass);
            continue;
        }
        spreadClass(t, dominantAxis(n.x, n.y, n.z));
    }
}

bool Projector::polygonVisible(uint32_t first) {
    stack_.assign(1, first);
    visitedBy_[first] = first;
    while (!stack_.empty()) {
        const uint32_t triangle = stack_.back();
        stack_.pop_back();
        if (triangleVisible(triangle)) return true;
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = falseEdges_[3 * size_t{triangle} + k];
            if (other != NIL && visitedBy_[other] != first) {
                visitedBy_[other] = first;
                stack_.push_back(other);
            }
        }
    }
    return false;
}

bool Projector::triangleVisible(uint32_t triangle) const {
    const Direction p[3] = {corner(triangle, 0), corner(triangle, 1), corner(triangle, 2)};
    if (cosAngle_ < 0.0f) {
        // Wider than a half space: only what lies wholly in the cone behind the camera is hidden.
        const Direction backward = negated(viewDir_);
        return !(inCone(p[0], eye_, backward, -cosAngle_) && inCone(p[1], eye_, backward, -cosAngle_) &&
                 inCone(p[2], eye_, backward, -cosAngle_));
    }
    for (int k = 0; k < 3; ++k)
        if (inCone(p[k], eye_, viewDir_, cosAngle_)) return true;
    for (int k = 0; k < 3; ++k)
        if (segmentMeetsCone(p[k], p[(k + 1) % 3], eye_, viewDir_, cosAngle_)) return true;
    return rayHitsTriangle(eye_, viewDir_, p[0], p[1], p[2]);
}

void Projector::spreadClass(uint32_t triangle, uint32_t triangleClass) {
    stack_.assign(1, triangle);
    while (!stack_.empty()) {
        const uint32_t current = stack_.back();
        stack_.pop_back();
        triClass_[current] = triangleClass;
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = falseEdges_[3 * size_t{current} + k];
            if (other != NIL && triClass_[other] == NIL) stack_.push_back(other);
        }
    }
}

void Projector::splitPoints() {
    // The classes met at every point, as bits; the first class keeps the point and every further
    // one gets a copy, appended point by point in class order.
    const size_t pointCount = points_.size() / 3;
    std::vector<uint8_t> classes(pointCount, 0);
    for (size_t corner = 0; corner < indices_.size(); ++corner)
        classes[indices_[corner]] |= static_cast<uint8_t>(1u << triClass_[corner / 3]);
    std::vector<uint32_t> firstCopy(pointCount, NIL);
    for (size_t point = 0; point < pointCount; ++point) {
        const int extra = std::popcount(classes[point]) - 1;
        if (extra <= 0) continue;
        firstCopy[point] = static_cast<uint32_t>(points_.size() / 3);
        for (int copy = 0; copy < extra; ++copy)
            points_.insert(points_.end(), &points_[3 * point], &points_[3 * point] + 3);
    }
    for (size_t corner = 0; corner < indices_.size(); ++corner) {
        const uint32_t point = indices_[corner];
        if (firstCopy[point] == NIL) continue;
        const uint8_t bit = static_cast<uint8_t>(1u << triClass_[corner / 3]);
        // Classes below this one at the point, the lowest of them keeping the point itself.
        const int below = std::popcount(static_cast<uint8_t>(classes[point] & (bit - 1)));
        if (below > 0) indices_[corner] = firstCopy[point] + static_cast<uint32_t>(below - 1);
    }
}

void Projector::projectPoints(bool orthographic) {
    // A point's coordinates are its x, y and z in perspective mode, and along the camera's
    // view, up and right directions in orthographic mode.
    const size_t pointCount = points_.size() / 3;
    std::vector<uint32_t> pointClass(pointCount, 0);
    for (size_t corner = 0; corner < indices_.size(); ++corner)
        pointClass[indices_[corner]] = triClass_[corner / 3];
    for (size_t point = 0; point < pointCount; ++point) {
        float* p = &points_[3 * point];
        const Direction q{p[0], p[1], p[2]};
        const float coordinates[3] = {orthographic ? dot(q, viewDir_) : q.x, orthographic ? dot(q, upDir_) : q.y,
                                      orthographic ? dot(q, rightDir_) : q.z};
        const uint32_t k = pointClass[point];
        p[0] = k < FilteredClass ? axisPlanes[k].uSign * coordinates[axisPlanes[k].u] : 0.0f;
        p[1] = k < FilteredClass ? axisPlanes[k].vSign * coordinates[axisPlanes[k].v] : 0.0f;
        p[2] = 0.0f;
    }
}

void Projector::cutClassBorders() {
    for (size_t corner = 0; corner < adjacency_.size(); ++corner) {
        const uint32_t other = adjacency_[corner];
        if (other != NIL && triClass_[other] != triClass_[corner / 3]) {
            adjacency_[corner] = NIL;
            if (corner < falseEdges_.size()) falseEdges_[corner] = NIL;
        }
    }
}
