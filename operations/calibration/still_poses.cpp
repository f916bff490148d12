// SPDX-License-Identifier: GPL-3.0-or-later
#include "still_poses.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>

namespace calibration {
namespace {

double cosineBetween(const Eigen::Vector3d &a, const Eigen::Vector3d &b)
{
    const double lengths = a.norm() * b.norm();
    return lengths > 0 ? a.dot(b) / lengths : -1;
}

double cosineOfDegrees(double degrees)
{
    return std::cos(degrees * M_PI / 180);
}

// A still run joins the pose nearest its direction when within
// kSamePoseDegrees of it, as a sample-weighted mean; otherwise it is a new pose.
void addStillRun(std::vector<StillPose> &poses, const Eigen::Vector3d &mean, std::size_t samples)
{
    const auto nearest =
        std::max_element(poses.begin(), poses.end(), [&](const auto &a, const auto &b) {
            return cosineBetween(a.mean, mean) < cosineBetween(b.mean, mean);
        });
    if (nearest == poses.end() ||
        cosineBetween(nearest->mean, mean) < cosineOfDegrees(kSamePoseDegrees)) {
        poses.push_back({mean, samples});
        return;
    }
    const std::size_t total = nearest->samples + samples;
    nearest->mean =
        (nearest->mean * double(nearest->samples) + mean * double(samples)) / double(total);
    nearest->samples = total;
}

Eigen::Vector3d tilted(double x, double y, double z)
{
    return Eigen::Vector3d(x, y, z).normalized();
}

} // namespace

StillPoseFinder::StillPoseFinder(double sampleRate, StillPoseOptions options)
    : options_(options), windowSamples_(std::max<std::size_t>(
                             2, std::size_t(std::lround(options.windowSeconds * sampleRate))))
{
    window_.reserve(windowSamples_);
}

void StillPoseFinder::add(const Eigen::Vector3d &reading)
{
    window_.push_back(reading);
    if (window_.size() == windowSamples_)
        closeWindow();
}

void StillPoseFinder::closeWindow()
{
    Eigen::Vector3d sum = Eigen::Vector3d::Zero();
    for (const auto &r : window_)
        sum += r;
    const Eigen::Vector3d mean = sum / double(window_.size());
    Eigen::Vector3d squares = Eigen::Vector3d::Zero();
    for (const auto &r : window_)
        squares += (r - mean).cwiseAbs2();
    const Eigen::Vector3d deviation = (squares / double(window_.size())).cwiseSqrt();
    if (deviation.maxCoeff() <= options_.mostStandardDeviation && mean.norm() > 0)
        addStillRun(poses_, mean, window_.size());
    window_.clear();
}

std::vector<StillPose> findStillPoses(const std::vector<Eigen::Vector3d> &readings,
                                      double sampleRate, StillPoseOptions options)
{
    StillPoseFinder finder(sampleRate, options);
    for (const auto &r : readings)
        finder.add(r);
    return finder.poses();
}

double poseSpread(const std::vector<StillPose> &poses)
{
    Eigen::Matrix3d scatter = Eigen::Matrix3d::Zero();
    std::size_t directions = 0;
    for (const auto &pose : poses) {
        if (pose.mean.norm() == 0)
            continue;
        const Eigen::Vector3d d = pose.mean.normalized();
        scatter += d * d.transpose();
        ++directions;
    }
    if (directions == 0)
        return 0;
    const Eigen::Vector3d eigenvalues =
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(scatter / double(directions)).eigenvalues();
    return std::max(0.0, eigenvalues.minCoeff()) / eigenvalues.maxCoeff();
}

const std::vector<Eigen::Vector3d> &wantedPoseDirections()
{
    // The six faces, then one of each opposite pair of the twelve directions
    // half-way between two adjacent faces, chosen so that no two of the six
    // are nearer than 60 degrees; the first three tilt about each axis once,
    // so that the first nine poses already determine the full matrix.
    // imu-sim's --motion poses holds the same twelve, as an operator following
    // the marks does.
    static const std::vector<Eigen::Vector3d> kDirections = {
        {1, 0, 0},       {-1, 0, 0},       {0, 1, 0},        {0, -1, 0},
        {0, 0, 1},       {0, 0, -1},       tilted(1, 1, 0),  tilted(1, 0, 1),
        tilted(0, 1, 1), tilted(1, -1, 0), tilted(0, 1, -1), tilted(-1, 0, 1),
    };
    return kDirections;
}

bool wantedDirectionReached(const std::vector<StillPose> &poses, std::size_t index)
{
    const std::vector<Eigen::Vector3d> &wanted = wantedPoseDirections();
    return index < wanted.size() &&
           std::any_of(poses.begin(), poses.end(), [&](const StillPose &pose) {
               return cosineBetween(pose.mean, wanted[index]) >=
                      cosineOfDegrees(2 * kSamePoseDegrees);
           });
}

} // namespace calibration
