// SPDX-License-Identifier: GPL-3.0-or-later
// The fitting shared by the magnetometer and the accelerometer: an algebraic
// least-squares quadric through points, and the geometric refinement of a
// bias and symmetric matrix that map the points onto the unit sphere. Both
// work on points centred and scaled to unit size, for conditioning.
// The methods are in docs/calibration.md. Qt-free.
#pragma once

#include <Eigen/Core>

#include <optional>
#include <vector>

namespace calibration {

// A larger condition number of the normalised least-squares problem means the
// points do not determine the quadric (in one plane, or too few directions).
inline constexpr double kMostCondition = 1e3;

enum class QuadricTerms
{
    Full,        // any orientation: the nine terms of a general quadric
    AxisAligned, // principal axes along x, y, z: no cross terms, six
};

// Unit-sphere calibration: |matrix * (x - centre)| = 1 on the ellipsoid.
struct UnitSphereMap
{
    Eigen::Vector3d centre;
    Eigen::Matrix3d matrix; // symmetric positive definite
};

struct QuadricFit
{
    // Singular values' largest over smallest; infinite when singular, zero
    // with fewer points than terms.
    double condition = 0;
    // Empty when the quadric is not an ellipsoid (or not determined).
    std::optional<UnitSphereMap> ellipsoid;
};

QuadricFit fitQuadric(const std::vector<Eigen::Vector3d> &points, QuadricTerms terms);

// Levenberg-Marquardt on the residuals |matrix * (x - centre)| - 1, starting
// from `start`; with AxisAligned the matrix stays diagonal. Empty when it does
// not converge.
std::optional<UnitSphereMap> refineOnUnitSphere(const std::vector<Eigen::Vector3d> &points,
                                                const UnitSphereMap &start, QuadricTerms terms);

// The symmetric square root of a symmetric positive semi-definite matrix.
Eigen::Matrix3d symmetricSquareRoot(const Eigen::Matrix3d &matrix);

} // namespace calibration
