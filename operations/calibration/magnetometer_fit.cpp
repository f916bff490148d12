// SPDX-License-Identifier: GPL-3.0-or-later
#include "magnetometer_fit.h"

#include "ellipsoid_fit.h"
#include "fit_checks.h"
#include "fit_limits.h"
#include "sphere_coverage.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <array>
#include <cmath>

namespace calibration {
namespace {

constexpr const char *kLimitAdvice =
    "check the field strength given and keep magnets and iron away from the module, then "
    "collect again";

std::vector<Eigen::Vector3d> corrected(const std::vector<Eigen::Vector3d> &raw,
                                       const Eigen::Vector3d &bias, const Eigen::Matrix3d &matrix)
{
    std::vector<Eigen::Vector3d> out;
    out.reserve(raw.size());
    for (const auto &r : raw)
        out.push_back(matrix * (r - bias));
    return out;
}

// Semi-axes of the ellipsoid |m (x - c)| = 1 are the inverses of m's
// eigenvalues; each is given to the module axis its principal axis is nearest.
Eigen::Vector3d radiiByModuleAxis(const Eigen::Matrix3d &unitSphereMatrix)
{
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> eigen(unitSphereMatrix);
    const Eigen::Matrix3d alignment = eigen.eigenvectors().cwiseAbs();
    std::array<int, 3> order{0, 1, 2};
    std::array<int, 3> best = order;
    double bestScore = -1;
    do {
        const double score =
            alignment(0, order[0]) + alignment(1, order[1]) + alignment(2, order[2]);
        if (score > bestScore) {
            bestScore = score;
            best = order;
        }
    } while (std::next_permutation(order.begin(), order.end()));
    const Eigen::Vector3d radii = eigen.eigenvalues().cwiseInverse();
    return {radii(best[0]), radii(best[1]), radii(best[2])};
}

// The refusal of data a fit cannot be trusted on, checked in the order an
// operator can fix them; empty when the data allow a fit.
std::string dataRefusal(const MagnetometerQuality &quality, const MagnetometerOptions &options)
{
    if (quality.points < options.pointsNeeded)
        return formatText("collect longer: %zu readings, %zu needed", quality.points,
                          options.pointsNeeded);
    if (quality.coveragePercent < options.coverageNeededPercent)
        return formatText("turn the module about its other axes too: %.0f %% of directions "
                          "covered, %.0f %% needed",
                          quality.coveragePercent, options.coverageNeededPercent);
    if (!(quality.condition <= kMostCondition))
        return formatText("turn the module through all directions: the readings do not "
                          "determine an ellipsoid (condition number %.2g, at most %.0f)",
                          quality.condition, kMostCondition);
    if (options.fieldStrength && !(*options.fieldStrength > 0))
        return formatText("give the local field strength as a positive number of µT, not %g",
                          *options.fieldStrength);
    return {};
}

MagnetometerFit toFit(const UnitSphereMap &map, const MagnetometerOptions &options)
{
    MagnetometerFit fit;
    fit.bias = map.centre;
    fit.radii = radiiByModuleAxis(map.matrix);
    fit.fieldStrength = options.fieldStrength.value_or(std::cbrt(fit.radii.prod()));
    fit.matrix = fit.fieldStrength * map.matrix;
    return fit;
}

} // namespace

MagnetometerResult fitMagnetometer(const std::vector<Eigen::Vector3d> &raw,
                                   const MagnetometerOptions &options)
{
    MagnetometerResult result;
    MagnetometerQuality &quality = result.quality;
    quality.points = raw.size();
    const Eigen::Vector3d boxCentre = boundingBoxCentre(raw);
    quality.spreadBeforePercent = magnitudeSpreadPercent(raw);
    const QuadricFit quadric = fitQuadric(raw, QuadricTerms::Full);
    quality.condition = quadric.condition;
    quality.coveragePercent =
        directionsCovered(raw, quadric.ellipsoid ? quadric.ellipsoid->centre : boxCentre).percent();

    result.refusal = dataRefusal(quality, options);
    if (!result.refusal.empty())
        return result;
    if (!quadric.ellipsoid) {
        result.refusal = "turn the module slowly and away from magnets and iron, then collect "
                         "again: the readings do not lie on an ellipsoid";
        return result;
    }
    const auto refined = refineOnUnitSphere(raw, *quadric.ellipsoid, QuadricTerms::Full);
    if (!refined) {
        result.refusal = "turn the module slowly and away from magnets and iron, then collect "
                         "again: the fit did not converge";
        return result;
    }
    const MagnetometerFit fit = toFit(*refined, options);
    result.refusal = limitRefusal(fit.bias, fit.matrix, kMagnetometerRange, "µT", kLimitAdvice);
    if (!result.refusal.empty())
        return result;
    quality.spreadAfterPercent = magnitudeSpreadPercent(corrected(raw, fit.bias, fit.matrix));
    result.fit = fit;
    return result;
}

double magnitudeSpreadPercent(const std::vector<Eigen::Vector3d> &readings)
{
    if (readings.size() < 2)
        return 0;
    double sum = 0;
    for (const auto &r : readings)
        sum += r.norm();
    const double mean = sum / double(readings.size());
    double squares = 0;
    for (const auto &r : readings)
        squares += std::pow(r.norm() - mean, 2);
    const double deviation = std::sqrt(squares / double(readings.size()));
    return mean > 0 ? 100 * deviation / mean : 0;
}

SphereCoverage directionsCovered(const std::vector<Eigen::Vector3d> &readings,
                                 const Eigen::Vector3d &centre)
{
    SphereCoverage coverage;
    for (const Eigen::Vector3d &reading : readings) {
        if ((reading - centre).norm() >= kLeastMagneticField)
            coverage.add(reading, centre);
    }
    return coverage;
}

Eigen::Vector3d boundingBoxCentre(const std::vector<Eigen::Vector3d> &readings)
{
    if (readings.empty())
        return Eigen::Vector3d::Zero();
    Eigen::Vector3d low = readings.front();
    Eigen::Vector3d high = readings.front();
    for (const auto &r : readings) {
        low = low.cwiseMin(r);
        high = high.cwiseMax(r);
    }
    return (low + high) / 2;
}

} // namespace calibration
