// SPDX-License-Identifier: GPL-3.0-or-later
// Orthographic projection of the module's box onto the view: where its
// corners land, and in which order its faces must be painted so that nearer
// faces cover farther ones.
#pragma once

#include "attitude.h"

#include <QPointF>

#include <array>

namespace orientation {

// View coordinates: x to the right of the screen, y up, z towards the viewer.
struct Camera
{
    Rotation worldToView;
    double pixelsPerUnit = 1;
    QPointF centre; // where the world origin lands
};

// A viewer on the unit sphere around the origin: azimuth from world x towards
// world y, elevation above the horizontal plane, looking at the origin with
// world z pointing up on the screen (at elevation 90° the screen's up is the
// direction the azimuth faces away from).
Rotation viewFrom(double azimuthDegrees, double elevationDegrees);

struct ProjectedPoint
{
    QPointF point;
    double depth; // larger is nearer to the viewer
};

ProjectedPoint project(const Camera &camera, const Vec3 &world);

// The module drawn as a flat box centred on the origin, in body coordinates.
struct BoxSize
{
    double halfX;
    double halfY;
    double halfZ;
};

enum class Face
{
    PlusX,
    MinusX,
    PlusY,
    MinusY,
    Top, // +z: the marked face
    Bottom,
};
constexpr int faceCount = 6;
constexpr int cornerCount = 8;

// Corner i has +x when bit 0 is set, +y for bit 1, +z for bit 2.
std::array<Vec3, cornerCount> boxCorners(const BoxSize &size);
// The face's corners, in order around its edge.
std::array<int, 4> faceCorners(Face face);
Vec3 faceNormal(Face face);

struct ProjectedBox
{
    std::array<ProjectedPoint, cornerCount> corners;
};

ProjectedBox projectBox(const Camera &camera, const Rotation &bodyToWorld, const BoxSize &size);
// The face's corners on the screen, in faceCorners() order.
std::array<QPointF, 4> projectedFace(const ProjectedBox &box, Face face);
// Farthest face first, by the mean depth of its corners.
std::array<Face, faceCount> facesBackToFront(const ProjectedBox &box);

} // namespace orientation
