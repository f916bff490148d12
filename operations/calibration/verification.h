// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the module's own calibrated stream, sampled after a fitted set was
// written, shows what the fit promised. Qt-free.
#pragma once

#include <Eigen/Core>

#include <string>
#include <vector>

namespace calibration {

// What the calibrated stream must show: |B| constant within this per cent of
// its mean (or twice the fit's own figure, when larger), while turned through
// at least this many per cent of directions; |a| within this per cent of
// gravity in every still pose (or twice the fit's worst pose, when larger).
inline constexpr double kMostFieldSpreadPercent = 1.0;
inline constexpr double kLeastVerifyingCoveragePercent = 15.0;
inline constexpr double kMostGravityErrorPercent = 0.3;

struct Verification
{
    bool verified = false;
    // What was measured, and when not verified what to do, in one sentence.
    std::string text;
};

Verification verifyMagnetometer(const std::vector<Eigen::Vector3d> &calibrated,
                                double predictedSpreadPercent);

Verification verifyAccelerometer(const std::vector<Eigen::Vector3d> &calibrated, double sampleRate,
                                 double gravity, double predictedWorstMg);

} // namespace calibration
