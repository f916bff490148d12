// SPDX-License-Identifier: GPL-3.0-or-later
// The picture of the module's attitude: a world grid, the module as a shaded
// box with a marked top face, its axes (x red, y green, z blue) and the
// roll/pitch/yaw read-outs. Drawn with QPainter alone, so it renders the same
// on screen, offscreen and into an image.
#pragma once

#include "attitude.h"
#include "projection.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace orientation {

// The module's proportions: a flat board, longest along x.
inline constexpr BoxSize moduleBox{1.0, 0.6, 0.2};
inline constexpr QColor topFaceColour{235, 140, 35};
inline constexpr QColor sideFaceColour{125, 145, 175};

// The fixed viewpoint that frames the scene in `area`.
Camera sceneCamera(const QRectF &area);
// One line per angle, in degrees with one decimal.
QString attitudeReadout(const EulerDegrees &angles);
void paintScene(QPainter &painter, const QRectF &area, const Quaternion &attitude);

} // namespace orientation
