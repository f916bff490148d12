// SPDX-License-Identifier: GPL-3.0-or-later
// What the wizard collected so far from the calibration-mode records: every
// raw reading of the chosen sensor for the fit, a bounded share of them for
// drawing, the still poses found per chip, and the quality figures as they
// improve.
#pragma once

#include "calibration/fit_outcome.h"
#include "calibration/point_cloud_view.h"
#include "calibration/still_poses.h"

#include "imuserial.h"

#include <QString>

#include <array>
#include <vector>

namespace calibration {

inline constexpr std::size_t kMostDrawnPoints = 5000;

// Every point kept; of them every stride-th drawn, the stride doubling
// whenever the drawn ones would exceed kMostDrawnPoints.
class ThinnedPoints
{
public:
    void add(const Eigen::Vector3d &point);
    const std::vector<Eigen::Vector3d> &all() const { return all_; }
    const std::vector<Eigen::Vector3d> &drawn() const { return drawn_; }

private:
    std::vector<Eigen::Vector3d> all_;
    std::vector<Eigen::Vector3d> drawn_;
    std::size_t stride_ = 1;
};

class CollectedReadings
{
public:
    CollectedReadings(Choice choice, double sampleRate);

    void add(const IMUserial::sensor_data_calibration &record);

    // Something to fit: a reading, or a still pose of every chosen chip.
    bool canCompute() const;
    QString figuresText() const;
    CloudScene scene() const;
    FitInput fitInput() const;

private:
    bool chosen(std::size_t chip) const { return choice_.chips[chip]; }
    CloudScene magnetometerScene() const;
    CloudScene accelerometerScene() const;
    QString magnetometerFigures() const;
    QString accelerometerFigures() const;

    Choice choice_;
    ThinnedPoints magnetometer_;
    std::array<StillPoseFinder, 2> poseFinders_;
    std::optional<Eigen::Vector3d> latest_;
};

} // namespace calibration
