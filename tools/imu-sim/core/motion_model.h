// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated body's motions, each closed-form in time so that every derived
// quantity is exact: the angular rate is the true body rate of the attitude.
#pragma once

#include "rotation.h"

namespace imusim {

constexpr double kGravity = 9.80665; // m/s^2

struct Pose
{
    EulerAngles angles;
    Quat orientation;        // body to world
    Vec3 angularRate;        // body frame, deg/s
    Vec3 linearAcceleration; // world frame (x north, y west, z up), m/s^2
};

enum class Motion
{
    Sway,   // roll and pitch sway, a slow turn in yaw and a gentle wobble in translation
    Still,  // at rest in the sway's first attitude
    Tumble, // turns through every attitude about once a minute
    Poses,  // twelve attitudes in turn, each held still
    Yaw     // level, turning about the vertical
};

// Pose of `motion` at `seconds` of motion time.
Pose poseOf(Motion motion, double seconds);

// The sway at `seconds` of motion time.
Pose movingPose(double seconds);

// The same attitude with the body held still.
Pose heldStill(const Pose &pose);

// Tumble: a roll about the world's east-west axis, the one at right angles to
// gravity and to the Earth's field, so that both sweep the same great circle
// of the body, while that circle turns slowly about the body's z axis.
inline constexpr double kTumbleRollRate = 50.0; // deg/s
inline constexpr double kTumbleSpinRate = 3.6;  // deg/s

// Poses: each held this long, then turned to the next in kPoseTurnSeconds.
inline constexpr double kPoseHoldSeconds = 3.0;
inline constexpr double kPoseTurnSeconds = 2.0;
inline constexpr int kPoseCount = 12;

inline constexpr double kYawRate = 10.0; // deg/s

} // namespace imusim
