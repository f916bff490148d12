// SPDX-License-Identifier: GPL-3.0-or-later
// The wizard's 3D view: readings as a cloud of dots around a centre, bigger
// dots for still poses, and marks on a sphere about the centre that turn
// green once reached. Turns slowly by itself and follows a drag.
#pragma once

#include <Eigen/Core>

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

namespace calibration {

struct SphereMark
{
    Eigen::Vector3d position;
    bool reached = false;
};

struct CloudScene
{
    Eigen::Vector3d centre = Eigen::Vector3d::Zero();
    double radius = 1; // of the sphere drawn about the centre
    std::vector<Eigen::Vector3d> points;
    std::vector<Eigen::Vector3d> poses;
    std::vector<SphereMark> marks;
    // The newest reading, drawn so the operator sees where the module points.
    std::optional<Eigen::Vector3d> latest;
};

class PointCloudView : public QWidget
{
public:
    explicit PointCloudView(QWidget *parent = nullptr);

    void setScene(CloudScene scene);
    QSize sizeHint() const override { return {420, 420}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void turn();

    CloudScene scene_;
    double azimuth_ = 30;
    double elevation_ = 20;
    std::optional<QPoint> dragFrom_;
    QTimer turning_;
};

} // namespace calibration
