#include "orientationview.h"

#include "orientationscene.h"

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
    if (attitude.w == shown.w && attitude.x == shown.x && attitude.y == shown.y &&
        attitude.z == shown.z)
        return;
    shown = attitude;
    update();
}

QSize OrientationView::sizeHint() const
{
    return {400, 300};
}

void OrientationView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    paintScene(painter, rect(), shown);
}

} // namespace orientation
