// SPDX-License-Identifier: GPL-3.0-or-later
#include "accelerometer_fit.h"

#include "ellipsoid_fit.h"
#include "fit_checks.h"
#include "fit_limits.h"

namespace calibration {
namespace {

constexpr const char *kHoldStill =
    "hold the module still against a firm surface in each pose, then collect again";

std::vector<Eigen::Vector3d> meansOf(const std::vector<StillPose> &poses)
{
    std::vector<Eigen::Vector3d> means;
    means.reserve(poses.size());
    for (const auto &pose : poses)
        means.push_back(pose.mean);
    return means;
}

std::vector<Eigen::Vector3d> corrected(const std::vector<Eigen::Vector3d> &raw,
                                       const AccelerometerFit &fit)
{
    std::vector<Eigen::Vector3d> out;
    out.reserve(raw.size());
    for (const auto &r : raw)
        out.push_back(fit.matrix * (r - fit.bias));
    return out;
}

std::string poseRefusal(const AccelerometerQuality &quality, const AccelerometerOptions &options)
{
    if (quality.poses < options.posesForScale)
        return formatText("hold the module still in more poses: %zu found, %zu needed",
                          quality.poses, options.posesForScale);
    if (quality.spread < options.leastSpread)
        return formatText("turn the module onto its other faces too: the poses' spread is "
                          "%.2f, at least %.2f needed",
                          quality.spread, options.leastSpread);
    return {};
}

// The full symmetric matrix when there are poses enough and they determine
// it; otherwise the per-axis scale.
QuadricFit startingQuadric(const std::vector<Eigen::Vector3d> &means,
                           const AccelerometerOptions &options, QuadricTerms &terms)
{
    if (means.size() >= options.posesForMatrix) {
        QuadricFit full = fitQuadric(means, QuadricTerms::Full);
        if (full.ellipsoid) {
            terms = QuadricTerms::Full;
            return full;
        }
    }
    terms = QuadricTerms::AxisAligned;
    return fitQuadric(means, terms);
}

std::string scaleOnlyNote(std::size_t poses, const AccelerometerOptions &options)
{
    if (poses < options.posesForMatrix)
        return formatText("%zu poses give the bias and per-axis scale only; %zu well-spread "
                          "poses give the full matrix",
                          poses, options.posesForMatrix);
    return formatText("%zu poses give the bias and per-axis scale only; poses tilted between "
                      "each pair of adjacent faces give the full matrix",
                      poses);
}

} // namespace

AccelerometerResult fitAccelerometer(const std::vector<StillPose> &poses,
                                     const AccelerometerOptions &options)
{
    AccelerometerResult result;
    AccelerometerQuality &quality = result.quality;
    const std::vector<Eigen::Vector3d> means = meansOf(poses);
    quality.poses = poses.size();
    quality.spread = poseSpread(poses);
    quality.errorBeforeMg = gravityErrorMg(means, options.gravity);
    result.refusal = poseRefusal(quality, options);
    if (!result.refusal.empty())
        return result;

    QuadricTerms terms = QuadricTerms::Full;
    const QuadricFit quadric = startingQuadric(means, options, terms);
    if (!quadric.ellipsoid) {
        result.refusal = formatText("%s: the poses do not lie on an ellipsoid", kHoldStill);
        return result;
    }
    const auto refined = refineOnUnitSphere(means, *quadric.ellipsoid, terms);
    if (!refined) {
        result.refusal = formatText("%s: the fit did not converge", kHoldStill);
        return result;
    }
    AccelerometerFit fit;
    fit.bias = refined->centre;
    fit.matrix = options.gravity * refined->matrix;
    fit.scaleOnly = terms == QuadricTerms::AxisAligned;
    result.refusal = limitRefusal(fit.bias, fit.matrix, kAccelerometerRange, "m/s²", kHoldStill);
    if (!result.refusal.empty())
        return result;
    quality.errorAfterMg = gravityErrorMg(corrected(means, fit), options.gravity);
    if (fit.scaleOnly)
        result.note = scaleOnlyNote(poses.size(), options);
    result.fit = fit;
    return result;
}

std::vector<double> gravityErrorMg(const std::vector<Eigen::Vector3d> &readings, double gravity)
{
    std::vector<double> errors;
    errors.reserve(readings.size());
    for (const auto &r : readings)
        errors.push_back(1000 * (r.norm() - gravity) / gravity);
    return errors;
}

} // namespace calibration
