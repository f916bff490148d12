// The simulated body's motion: a smooth, endless sway in roll and pitch, a slow
// turn in yaw and a gentle translational wobble, all closed-form in time so
// that every derived quantity is exact.
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

// Pose at `seconds` of motion time.
Pose movingPose(double seconds);

// The same attitude with the body held still.
Pose heldStill(const Pose &pose);

} // namespace imusim
