// SPDX-License-Identifier: GPL-3.0-or-later
// The magnetometer's calibration from raw readings taken while the module is
// turned in every direction: an ellipsoid fitted to the readings gives the
// hard-iron bias (its centre) and a symmetric matrix that maps it onto a
// sphere of the local field strength. The method and its source are in
// docs/calibration.md. Qt-free.
#pragma once

#include "calibration/sphere_coverage.h"

#include <Eigen/Core>

#include <optional>
#include <string>
#include <vector>

namespace calibration {

struct MagnetometerQuality
{
    std::size_t points = 0;
    // Standard deviation of |B| over its mean, per cent: of the raw readings,
    // as a module without calibration reports them, and of the readings
    // corrected by the fitted set (empty when refused).
    double spreadBeforePercent = 0;
    std::optional<double> spreadAfterPercent;
    // Sphere cells (sphere_coverage.h) reached by the readings about the
    // centre of the algebraic ellipsoid fit, or about the bounding box's centre
    // when no ellipsoid could be fitted; readings nearer the centre than
    // kLeastMagneticField (fit_limits.h) reach none.
    double coveragePercent = 0;
    // Condition number of the normalised least-squares problem; large when
    // the readings do not span the ellipsoid (in one plane, or few). Zero when
    // the problem could not be set up (too few points).
    double condition = 0;
};

struct MagnetometerFit
{
    Eigen::Vector3d bias;   // micro tesla; mag_bias
    Eigen::Matrix3d matrix; // symmetric; mag_mis: calibrated = matrix * (raw - bias)
    // Semi-axes of the raw ellipsoid, micro tesla; each belongs to the
    // principal axis nearest the module's x, y and z axis in turn. mag_radii.
    Eigen::Vector3d radii;
    double fieldStrength = 0; // micro tesla: the radius of the calibrated sphere
};

struct MagnetometerOptions
{
    // The local field strength the calibrated readings should have, micro
    // tesla; by default the geometric mean of the radii (volume kept).
    std::optional<double> fieldStrength;
    std::size_t pointsNeeded = 200;
    double coverageNeededPercent = 60;
};

struct MagnetometerResult
{
    std::optional<MagnetometerFit> fit;
    // With no fit: why not, in one sentence that says what to do ("turn the
    // module about its other axes too: 18 % of directions covered, 60 %
    // needed"). Empty with a fit.
    std::string refusal;
    MagnetometerQuality quality;
};

// Refuses too few points, too little coverage, a singular or not
// positive-definite fit, and a result outside fit_limits.h.
MagnetometerResult fitMagnetometer(const std::vector<Eigen::Vector3d> &raw,
                                   const MagnetometerOptions &options = {});

// Standard deviation of |v| over its mean, per cent; 0 for fewer than two.
double magnitudeSpreadPercent(const std::vector<Eigen::Vector3d> &readings);

// The sphere cells the readings reach about `centre`, as the fit counts
// them: a reading nearer the centre than kLeastMagneticField points nowhere.
SphereCoverage directionsCovered(const std::vector<Eigen::Vector3d> &readings,
                                 const Eigen::Vector3d &centre);

// The centre of the readings' bounding box: a first guess of the bias, used
// for coverage before any fit.
Eigen::Vector3d boundingBoxCentre(const std::vector<Eigen::Vector3d> &readings);

} // namespace calibration
