// SPDX-License-Identifier: GPL-3.0-or-later
// An accelerometer chip's calibration from its static poses: a bias and a
// symmetric matrix such that |matrix * (pose - bias)| equals gravity in every
// pose. Nine well-spread poses give the full symmetric matrix; six give the
// bias and a diagonal (per-axis scale) only, and the result says so. The
// method and its source are in docs/calibration.md. Qt-free.
#pragma once

#include "still_poses.h"

#include <Eigen/Core>

#include <optional>
#include <string>
#include <vector>

namespace calibration {

struct AccelerometerQuality
{
    std::size_t poses = 0;
    double spread = 0; // poseSpread()
    // |a| - g of each pose in milli-g (of the gravity fitted to), before and
    // after the fitted set; `after` is empty when refused.
    std::vector<double> errorBeforeMg;
    std::vector<double> errorAfterMg;
};

struct AccelerometerFit
{
    Eigen::Vector3d bias;   // m/s^2; acc_bias
    Eigen::Matrix3d matrix; // symmetric; acc_mis
    bool scaleOnly = false; // fewer than nine poses: diagonal matrix
};

struct AccelerometerOptions
{
    double gravity = 9.80665; // m/s^2
    std::size_t posesForMatrix = 9;
    std::size_t posesForScale = 6;
    double leastSpread = 0.2;
};

struct AccelerometerResult
{
    std::optional<AccelerometerFit> fit;
    std::string refusal; // as MagnetometerResult::refusal
    // Says what a scale-only fit leaves out and how to get the full one.
    std::string note;
    AccelerometerQuality quality;
};

AccelerometerResult fitAccelerometer(const std::vector<StillPose> &poses,
                                     const AccelerometerOptions &options = {});

// |a| - g in milli-g of each reading (e.g. pose means of a calibrated stream).
std::vector<double> gravityErrorMg(const std::vector<Eigen::Vector3d> &readings, double gravity);

} // namespace calibration
