// SPDX-License-Identifier: GPL-3.0-or-later
#include "orientation/orientation_view.h"

#include "orientation/orientation_scene.h"

#include <QPainter>

namespace orientation {

OrientationView::OrientationView(QWidget *parent) : QWidget(parent)
{
    // The scene fills every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName("orientationView");
}

void OrientationView::setAttitude(const Quaternion &attitude)
{
    if (attitude.w == shown_.w && attitude.x == shown_.x && attitude.y == shown_.y &&
        attitude.z == shown_.z)
        return;
    shown_ = attitude;
    update();
}

QSize OrientationView::sizeHint() const
{
    return {400, 300};
}

void OrientationView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    paintScene(painter, rect(), shown_);
}

} // namespace orientation
