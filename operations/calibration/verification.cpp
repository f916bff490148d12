// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/verification.h"

#include "calibration/accelerometer_fit.h"
#include "calibration/magnetometer_fit.h"
#include "calibration/sphere_coverage.h"
#include "calibration/still_poses.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace calibration {

namespace {

template <class... Args> std::string format(const char *pattern, Args... args)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

double meanMagnitude(const std::vector<Eigen::Vector3d> &readings)
{
    double sum = 0;
    for (const Eigen::Vector3d &reading : readings)
        sum += reading.norm();
    return readings.empty() ? 0 : sum / double(readings.size());
}

} // namespace

Verification verifyMagnetometer(const std::vector<Eigen::Vector3d> &calibrated,
                                double predictedSpreadPercent)
{
    SphereCoverage coverage;
    for (const Eigen::Vector3d &reading : calibrated)
        coverage.add(reading);
    if (coverage.percent() < kLeastVerifyingCoveragePercent)
        return {false, format("not verified: the calibrated stream covered %.0f %% of directions, "
                              "%.0f %% needed; turn the module while it is sampled",
                              coverage.percent(), kLeastVerifyingCoveragePercent)};
    const double spread = magnitudeSpreadPercent(calibrated);
    const double allowed = std::max(kMostFieldSpreadPercent, 2 * predictedSpreadPercent);
    const std::string measured =
        format("the module's calibrated |B| is %.2f uT within %.2f %% over %zu readings (%.2f %% "
               "allowed)",
               meanMagnitude(calibrated), spread, calibrated.size(), allowed);
    if (spread > allowed)
        return {false,
                "not verified: " + measured + "; keep magnetic objects away and calibrate again"};
    return {true, "verified: " + measured};
}

Verification verifyAccelerometer(const std::vector<Eigen::Vector3d> &calibrated, double sampleRate,
                                 double gravity, double predictedWorstMg)
{
    const std::vector<StillPose> poses = findStillPoses(calibrated, sampleRate);
    if (poses.empty())
        return {false, "not verified: no still pose in the calibrated stream; hold the module "
                       "still for a few seconds while it is sampled"};
    std::vector<Eigen::Vector3d> means;
    for (const StillPose &pose : poses)
        means.push_back(pose.mean);
    double worst = 0;
    for (double error : gravityErrorMg(means, gravity))
        worst = std::max(worst, std::abs(error));
    const double mgPerPercent = 10; // 1 % of g is 10 mg
    const double allowed = std::max(kMostGravityErrorPercent * mgPerPercent, 2 * predictedWorstMg);
    const std::string measured =
        format("the module's calibrated |a| - g is at most %.2f mg in %zu still poses (%.2f mg "
               "allowed)",
               worst, poses.size(), allowed);
    if (worst > allowed)
        return {false, "not verified: " + measured + "; calibrate again"};
    return {true, "verified: " + measured};
}

} // namespace calibration
