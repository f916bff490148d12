// SPDX-License-Identifier: GPL-3.0-or-later
#include "projection.h"

#include <algorithm>
#include <cmath>

namespace orientation {

namespace {

constexpr double radiansPerDegree = M_PI / 180.0;

double meanDepth(const ProjectedBox &box, Face face)
{
    double sum = 0;
    for (const int corner : faceCorners(face))
        sum += box.corners[corner].depth;
    return sum / 4;
}

} // namespace

Rotation viewFrom(double azimuthDegrees, double elevationDegrees)
{
    const double az = azimuthDegrees * radiansPerDegree;
    const double el = elevationDegrees * radiansPerDegree;
    const Vec3 towardsViewer{std::cos(el) * std::cos(az), std::cos(el) * std::sin(az),
                             std::sin(el)};
    const Vec3 right{-std::sin(az), std::cos(az), 0};
    const Vec3 up{towardsViewer.y * right.z - towardsViewer.z * right.y,
                  towardsViewer.z * right.x - towardsViewer.x * right.z,
                  towardsViewer.x * right.y - towardsViewer.y * right.x};
    return {{{right.x, right.y, right.z},
             {up.x, up.y, up.z},
             {towardsViewer.x, towardsViewer.y, towardsViewer.z}}};
}

ProjectedPoint project(const Camera &camera, const Vec3 &world)
{
    const Vec3 view = rotated(camera.worldToView, world);
    // Screen y grows downwards.
    return {camera.centre + QPointF(view.x, -view.y) * camera.pixelsPerUnit, view.z};
}

std::array<Vec3, cornerCount> boxCorners(const BoxSize &size)
{
    std::array<Vec3, cornerCount> corners;
    for (int i = 0; i < cornerCount; ++i)
        corners[i] = {(i & 1) ? size.halfX : -size.halfX, (i & 2) ? size.halfY : -size.halfY,
                      (i & 4) ? size.halfZ : -size.halfZ};
    return corners;
}

std::array<int, 4> faceCorners(Face face)
{
    switch (face) {
    case Face::PlusX:
        return {1, 3, 7, 5};
    case Face::MinusX:
        return {0, 4, 6, 2};
    case Face::PlusY:
        return {2, 6, 7, 3};
    case Face::MinusY:
        return {0, 1, 5, 4};
    case Face::Top:
        return {4, 5, 7, 6};
    case Face::Bottom:
        return {0, 2, 3, 1};
    }
    return {};
}

Vec3 faceNormal(Face face)
{
    switch (face) {
    case Face::PlusX:
        return {1, 0, 0};
    case Face::MinusX:
        return {-1, 0, 0};
    case Face::PlusY:
        return {0, 1, 0};
    case Face::MinusY:
        return {0, -1, 0};
    case Face::Top:
        return {0, 0, 1};
    case Face::Bottom:
        return {0, 0, -1};
    }
    return {};
}

ProjectedBox projectBox(const Camera &camera, const Rotation &bodyToWorld, const BoxSize &size)
{
    ProjectedBox box;
    const std::array<Vec3, cornerCount> corners = boxCorners(size);
    for (int i = 0; i < cornerCount; ++i)
        box.corners[i] = project(camera, rotated(bodyToWorld, corners[i]));
    return box;
}

std::array<QPointF, 4> projectedFace(const ProjectedBox &box, Face face)
{
    std::array<QPointF, 4> points;
    const std::array<int, 4> corners = faceCorners(face);
    for (int i = 0; i < 4; ++i)
        points[i] = box.corners[corners[i]].point;
    return points;
}

std::array<Face, faceCount> facesBackToFront(const ProjectedBox &box)
{
    std::array<Face, faceCount> faces{Face::PlusX,  Face::MinusX, Face::PlusY,
                                      Face::MinusY, Face::Top,    Face::Bottom};
    std::stable_sort(faces.begin(), faces.end(),
                     [&box](Face a, Face b) { return meanDepth(box, a) < meanDepth(box, b); });
    return faces;
}

} // namespace orientation
