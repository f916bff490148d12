// SPDX-License-Identifier: GPL-3.0-or-later
#include "orientation/orientation_scene.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace orientation {

namespace {

// Front-right of the module and somewhat above it.
constexpr double viewAzimuth = -55;
constexpr double viewElevation = 25;
// Half the width of the square the scene must fit in, in world units.
constexpr double sceneRadius = 2.3;
constexpr double gridHalfWidth = 2.0;
constexpr double gridStep = 0.5;
constexpr double gridHeight = -1.3; // below the module whatever its attitude
constexpr double axisOvershoot = 0.6;

const QColor background(34, 38, 46);
const QColor gridColour(78, 86, 102);
const QColor edgeColour(20, 22, 26);
const QColor readoutColour(225, 228, 235);

struct Axis
{
    Vec3 direction;
    double startsAt; // the box's half extent along it
    QColor colour;
    const char *label;
};

const Axis bodyAxes[] = {
    {{1, 0, 0}, moduleBox.halfX, QColor(225, 55, 55), "x"},
    {{0, 1, 0}, moduleBox.halfY, QColor(50, 190, 80), "y"},
    {{0, 0, 1}, moduleBox.halfZ, QColor(70, 120, 245), "z"},
};

Vec3 scaled(const Vec3 &v, double factor)
{
    return {v.x * factor, v.y * factor, v.z * factor};
}

// Lambert shading under a light from the viewer's upper left, with enough
// ambient light that faces turned away stay readable.
QColor shaded(const QColor &colour, const Vec3 &normalInView)
{
    static const Vec3 light = [] {
        const Vec3 l{-0.35, 0.6, 0.72};
        return scaled(l, 1 / std::sqrt(dot(l, l)));
    }();
    const double brightness = 0.45 + 0.55 * std::max(0.0, dot(normalInView, light));
    return QColor::fromRgbF(colour.redF() * brightness, colour.greenF() * brightness,
                            colour.blueF() * brightness);
}

void paintGrid(QPainter &painter, const Camera &camera)
{
    painter.setPen(QPen(gridColour, 1));
    for (double at = -gridHalfWidth; at <= gridHalfWidth + 1e-9; at += gridStep) {
        painter.drawLine(project(camera, {at, -gridHalfWidth, gridHeight}).point,
                         project(camera, {at, gridHalfWidth, gridHeight}).point);
        painter.drawLine(project(camera, {-gridHalfWidth, at, gridHeight}).point,
                         project(camera, {gridHalfWidth, at, gridHeight}).point);
    }
}

// Axes start on the box's surface; those leaning away from the viewer are
// painted before the box so that it hides them, the others after it.
void paintAxes(QPainter &painter, const Camera &camera, const Rotation &bodyToWorld,
               bool leaningAway)
{
    for (const Axis &axis : bodyAxes) {
        const Vec3 world = rotated(bodyToWorld, axis.direction);
        if ((rotated(camera.worldToView, world).z < 0) != leaningAway)
            continue;
        const QPointF start = project(camera, scaled(world, axis.startsAt)).point;
        const QPointF tip = project(camera, scaled(world, axis.startsAt + axisOvershoot)).point;
        painter.setPen(QPen(axis.colour, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(start, tip);
        const QPointF outwards = tip - start;
        const double length = std::max(1.0, std::hypot(outwards.x(), outwards.y()));
        const QPointF labelCentre = tip + outwards / length * 10;
        painter.drawText(QRectF(labelCentre - QPointF(8, 8), QSizeF(16, 16)), Qt::AlignCenter,
                         axis.label);
    }
}

// An arrow on the top face pointing along +x, so that the top can be told
// from the bottom and the front from the back.
void paintTopMarker(QPainter &painter, const Camera &camera, const Rotation &bodyToWorld)
{
    const double z = moduleBox.halfZ;
    const Vec3 arrow[] = {{0.8 * moduleBox.halfX, 0, z},
                          {0.4 * moduleBox.halfX, 0.3 * moduleBox.halfY, z},
                          {0.4 * moduleBox.halfX, -0.3 * moduleBox.halfY, z}};
    QPolygonF polygon;
    for (const Vec3 &corner : arrow)
        polygon << project(camera, rotated(bodyToWorld, corner)).point;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 245, 220));
    painter.drawPolygon(polygon);
}

void paintBox(QPainter &painter, const Camera &camera, const Rotation &bodyToWorld)
{
    const ProjectedBox box = projectBox(camera, bodyToWorld, moduleBox);
    const Rotation bodyToView = multiplied(camera.worldToView, bodyToWorld);
    for (const Face face : facesBackToFront(box)) {
        const std::array<QPointF, 4> corners = projectedFace(box, face);
        const QColor colour = face == Face::Top ? topFaceColour : sideFaceColour;
        painter.setPen(QPen(edgeColour, 1));
        painter.setBrush(shaded(colour, rotated(bodyToView, faceNormal(face))));
        painter.drawPolygon(corners.data(), static_cast<int>(corners.size()));
        if (face == Face::Top)
            paintTopMarker(painter, camera, bodyToWorld);
    }
}

} // namespace

Camera sceneCamera(const QRectF &area)
{
    const double pixelsPerUnit = std::min(area.width(), area.height()) / (2 * sceneRadius);
    return {viewFrom(viewAzimuth, viewElevation), pixelsPerUnit, area.center()};
}

QString attitudeReadout(const EulerDegrees &angles)
{
    const auto line = [](const char *name, double degrees) {
        return QString("%1 %2°").arg(name, -6).arg(degrees, 7, 'f', 1);
    };
    return line("Roll", angles.roll) + '\n' + line("Pitch", angles.pitch) + '\n' +
           line("Yaw", angles.yaw);
}

void paintScene(QPainter &painter, const QRectF &area, const Quaternion &attitude)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, background);
    const Camera camera = sceneCamera(area);
    const Rotation bodyToWorld = rotationFromQuaternion(attitude);
    paintGrid(painter, camera);
    paintAxes(painter, camera, bodyToWorld, true);
    paintBox(painter, camera, bodyToWorld);
    paintAxes(painter, camera, bodyToWorld, false);

    QFont font = painter.font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily("monospace");
    painter.setFont(font);
    painter.setPen(readoutColour);
    painter.drawText(area.adjusted(8, 6, -8, -6), Qt::AlignLeft | Qt::AlignTop,
                     attitudeReadout(eulerFromQuaternion(attitude)));
    painter.restore();
}

} // namespace orientation
