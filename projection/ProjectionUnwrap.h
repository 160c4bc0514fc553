#pragma once

#include "core/UnwrapMesh.h"
#include "core/UnwrapSettings.h"
#include "hostapi/MString.h"

#include <cstdint>
#include <vector>

// Triangle class of a polygon the camera projection throws away.
constexpr uint32_t FilteredClass = 6;

// Projects a mesh through a camera. Every polygon (the triangles joined by false edges) gets
// one of six planar projections: along the camera's own axes in orthographic mode, along the
// world axes in perspective mode. Polygons that face away from the camera, or in perspective
// mode lie outside its view cone, are filtered and keep UV (0, 0). Points are split where
// polygons of different classes meet, and the adjacency is cut there.
class Projector {
public:
    struct Direction {
        float x, y, z;
    };

    // Takes the frame of the scene node named `camera` from its world matrix: its position and
    // its -z and +y axes. An empty name gives a camera at the origin looking down -z with +y up;
    // a name that selects nothing raises "This camera does not exist in the scene: NAME".
    explicit Projector(const MString& camera);

    // Writes the projected UVs and UV indices into `mesh` (positions turned by its transform,
    // without the translation) and cuts `adjacency` and `falseEdges` between classes. Raises
    // "The current projection settings have filtered out all surfaces..." when no triangle is
    // left.
    void run(UnwrapMesh& mesh, std::vector<uint32_t>& adjacency, std::vector<uint32_t>& falseEdges,
             const UnwrapSettings& settings);

    const Direction& viewDirection() const { return viewDir_; }
    const Direction& upDirection() const { return upDir_; }
    const Direction& rightDirection() const { return rightDir_; }
    const Direction& eyePosition() const { return eye_; }
    // The class of every triangle after the last run (0 to 5, or FilteredClass).
    const std::vector<uint32_t>& triangleClasses() const { return triClass_; }

private:
    Direction triangleNormal(uint32_t triangle) const;
    Direction corner(uint32_t triangle, int k) const;
    void classifyOrthographic();
    void classifyPerspective();
    bool polygonVisible(uint32_t triangle);
    bool triangleVisible(uint32_t triangle) const;
    void spreadClass(uint32_t triangle, uint32_t triangleClass);
    void splitPoints();
    void projectPoints(bool orthographic);
    void cutClassBorders();

    Direction viewDir_{0.0f, 0.0f, -1.0f};
    Direction upDir_{0.0f, 1.0f, 0.0f};
    Direction rightDir_{1.0f, 0.0f, 0.0f};
    Direction eye_{0.0f, 0.0f, 0.0f};
    float cosAngle_ = 0.0f;
    float cosExtend_ = 0.0f;
    std::vector<float> points_;
    std::vector<uint32_t> indices_;
    std::vector<uint32_t> adjacency_;
    std::vector<uint32_t> falseEdges_;
    std::vector<uint32_t> triClass_;
    // Scratch of the polygon walks: the triangles to visit and the walk that last saw each one.
    std::vector<uint32_t> stack_;
    std::vector<uint32_t> visitedBy_;
};
