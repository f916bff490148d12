// SPDX-License-Identifier: GPL-3.0-or-later
// Static poses found in a stream of raw accelerometer readings: runs of at
// least a window's length whose readings vary less than a sensor at rest.
// A run in the direction of an earlier pose (within kSamePoseDegrees) adds to
// that pose, so holding or revisiting a pose never counts twice. Qt-free.
#pragma once

#include <Eigen/Core>

#include <cstddef>
#include <vector>

namespace calibration {

inline constexpr double kSamePoseDegrees = 15.0;

struct StillPose
{
    Eigen::Vector3d mean; // mean raw reading over the still samples, m/s^2
    std::size_t samples = 0;
};

struct StillPoseOptions
{
    double windowSeconds = 1.0;
    // The largest standard deviation of any axis over a window still counted
    // as rest, m/s^2: several times a module's noise, far below the change of
    // a turn.
    double mostStandardDeviation = 0.08;
};

class StillPoseFinder
{
public:
    explicit StillPoseFinder(double sampleRate, StillPoseOptions options = {});

    // One raw reading, in stream order.
    void add(const Eigen::Vector3d &reading);
    const std::vector<StillPose> &poses() const { return poses_; }

private:
    void closeWindow();

    StillPoseOptions options_;
    std::size_t windowSamples_;
    std::vector<Eigen::Vector3d> window_;
    std::vector<StillPose> poses_;
};

std::vector<StillPose> findStillPoses(const std::vector<Eigen::Vector3d> &readings,
                                      double sampleRate, StillPoseOptions options = {});

// The isotropy of the poses' directions: smallest over largest eigenvalue of
// the mean of d d^T over the unit directions d, in [0, 1]; 1 for the six faces,
// 0 when every pose lies in one plane.
double poseSpread(const std::vector<StillPose> &poses);

// The twelve directions the guided calibration asks for (the six faces up and
// six tilted 45 degrees between two adjacent faces), unit vectors in the
// module's frame along a still reading (which points up, against gravity).
const std::vector<Eigen::Vector3d> &wantedPoseDirections();
// Whether a pose lies within kSamePoseDegrees * 2 of wanted direction `index`.
bool wantedDirectionReached(const std::vector<StillPose> &poses, std::size_t index);

} // namespace calibration
