// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/point_cloud_view.h"

#include "orientation/projection.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace calibration {

namespace {

constexpr int kTurnIntervalMs = 50;
constexpr double kTurnDegrees = 0.6;
constexpr double kDegreesPerPixel = 0.5;
constexpr double kMostElevation = 89;

const QColor kReadingColour(70, 110, 160);
const QColor kPoseColour(30, 50, 140);
const QColor kLatestColour(210, 40, 40);
const QColor kReachedColour(40, 160, 60);
const QColor kWantedColour(230, 140, 20);
const QColor kOutlineColour(205, 205, 205);

orientation::ProjectedPoint projected(const orientation::Camera &camera, const CloudScene &scene,
                                      const Eigen::Vector3d &position)
{
    const Eigen::Vector3d v = position - scene.centre;
    return orientation::project(camera, {v.x(), v.y(), v.z()});
}

void drawDot(QPainter &painter, const QPointF &at, double diameter, const QColor &colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(at, diameter / 2, diameter / 2);
}

void drawMark(QPainter &painter, const QPointF &at, bool reached, bool behind)
{
    QColor colour = reached ? kReachedColour : kWantedColour;
    if (behind)
        colour.setAlpha(90);
    if (reached) {
        drawDot(painter, at, 10, colour);
        return;
    }
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, 4.5, 4.5);
}

// The marks on one side of the sphere: behind the readings or in front.
void drawMarks(QPainter &painter, const orientation::Camera &camera, const CloudScene &scene,
               bool behind)
{
    for (const SphereMark &mark : scene.marks) {
        const orientation::ProjectedPoint p = projected(camera, scene, mark.position);
        if ((p.depth < 0) == behind)
            drawMark(painter, p.point, mark.reached, behind);
    }
}

} // namespace

PointCloudView::PointCloudView(QWidget *parent) : QWidget(parent)
{
    setObjectName("pointCloudView");
    setMinimumSize(300, 300);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setToolTip(tr("Drag to turn the view."));
    turning_.setInterval(kTurnIntervalMs);
    connect(&turning_, &QTimer::timeout, this, &PointCloudView::turn);
}

void PointCloudView::setScene(CloudScene scene)
{
    scene_ = std::move(scene);
    update();
}

void PointCloudView::turn()
{
    if (dragFrom_)
        return;
    azimuth_ += kTurnDegrees;
    update();
}

void PointCloudView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const double sphereRadius = 0.42 * std::min(width(), height());
    const orientation::Camera camera{orientation::viewFrom(azimuth_, elevation_),
                                     sphereRadius / std::max(scene_.radius, 1e-9),
                                     QPointF(width() / 2.0, height() / 2.0)};
    painter.setPen(QPen(kOutlineColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(camera.centre, sphereRadius, sphereRadius);
    drawMarks(painter, camera, scene_, true);
    for (const Eigen::Vector3d &point : scene_.points)
        drawDot(painter, projected(camera, scene_, point).point, 2.5, kReadingColour);
    drawMarks(painter, camera, scene_, false);
    // Over the marks, so a reached mark shows as a ring about its pose.
    for (const Eigen::Vector3d &pose : scene_.poses)
        drawDot(painter, projected(camera, scene_, pose).point, 6, kPoseColour);
    if (scene_.latest)
        drawDot(painter, projected(camera, scene_, *scene_.latest).point, 7, kLatestColour);
}

void PointCloudView::mousePressEvent(QMouseEvent *event)
{
    dragFrom_ = event->position().toPoint();
}

void PointCloudView::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragFrom_)
        return;
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - *dragFrom_;
    dragFrom_ = at;
    azimuth_ -= moved.x() * kDegreesPerPixel;
    elevation_ =
        std::clamp(elevation_ + moved.y() * kDegreesPerPixel, -kMostElevation, kMostElevation);
    update();
}

void PointCloudView::mouseReleaseEvent(QMouseEvent * /*event*/)
{
    dragFrom_.reset();
}

void PointCloudView::showEvent(QShowEvent * /*event*/)
{
    turning_.start();
}

void PointCloudView::hideEvent(QHideEvent * /*event*/)
{
    turning_.stop();
}

} // namespace calibration
