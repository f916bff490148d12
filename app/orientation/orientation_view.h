// SPDX-License-Identifier: GPL-3.0-or-later
// The graph view's 3D page: the module's attitude, repainted only when the
// attitude it is given changes.
#pragma once

#include "attitude.h"

#include <QWidget>

namespace orientation {

class OrientationView : public QWidget
{
    Q_OBJECT

public:
    explicit OrientationView(QWidget *parent = nullptr);

    void setAttitude(const Quaternion &attitude);
    Quaternion attitude() const { return shown_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Quaternion shown_;
};

} // namespace orientation
