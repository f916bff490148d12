// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion_model.h"

#include <algorithm>
#include <cmath>

namespace imusim {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// A sin(2 pi f t + phase) with its time derivative.
struct Wave
{
    double amplitude;
    double frequency;
    double phase;

    double value(double t) const { return amplitude * std::sin(kTwoPi * frequency * t + phase); }
    double rate(double t) const
    {
        return amplitude * kTwoPi * frequency * std::cos(kTwoPi * frequency * t + phase);
    }
};

constexpr Wave kRollSlow{25.0, 0.05, 0.0};
constexpr Wave kRollFast{4.0, 0.23, 0.5};
constexpr Wave kPitchSlow{15.0, 0.07, 1.0};
constexpr Wave kPitchFast{3.0, 0.31, 0.0};
constexpr double kYawTurnRate = 6.0; // deg/s, a full turn a minute
constexpr Wave kYawSway{20.0, 0.04, 0.0};
constexpr Wave kSurge{0.4, 0.15, 0.0};
constexpr Wave kSway{0.3, 0.11, 0.7};
constexpr Wave kHeave{0.2, 0.19, 1.3};

double wrapDegrees(double angle)
{
    const double wrapped = std::fmod(angle + 180.0, 360.0);
    return (wrapped < 0 ? wrapped + 360.0 : wrapped) - 180.0;
}

constexpr Vec3 kAxisX{1, 0, 0};
constexpr Vec3 kAxisZ{0, 0, 1};

Pose poseWith(const Quat &orientation, const Vec3 &angularRate)
{
    Pose pose;
    pose.orientation = orientation;
    pose.angles = eulerFromQuaternion(orientation);
    pose.angularRate = angularRate;
    return pose;
}

// q = turn(z, 90) * turn(x, roll t) * turn(z, spin t); the body rate of a
// product of turns about fixed axes is the sum of their rates, each carried
// into the body frame by the turns that follow it.
Pose tumblingPose(double t)
{
    const Quat spin = axisRotation(kAxisZ, kTumbleSpinRate * t);
    const Quat orientation =
        axisRotation(kAxisZ, 90.0) * axisRotation(kAxisX, kTumbleRollRate * t) * spin;
    return poseWith(orientation,
                    rotateToBody(spin, kAxisX * kTumbleRollRate) + kAxisZ * kTumbleSpinRate);
}

// The body directions that point up in turn: the six faces and six between
// two adjacent faces, ordered so that no turn is longer than 90 degrees.
constexpr double kHalfRoot2 = 0.70710678118654752440;
constexpr Vec3 kPoseUp[kPoseCount]{{0, 0, 1},
                                   {0, kHalfRoot2, kHalfRoot2},
                                   {0, 1, 0},
                                   {kHalfRoot2, kHalfRoot2, 0},
                                   {1, 0, 0},
                                   {kHalfRoot2, 0, kHalfRoot2},
                                   {kHalfRoot2, -kHalfRoot2, 0},
                                   {0, -1, 0},
                                   {0, 0, -1},
                                   {0, kHalfRoot2, -kHalfRoot2},
                                   {-1, 0, 0},
                                   {-kHalfRoot2, 0, kHalfRoot2}};

// The shortest turn that brings body direction `up` to the world's up.
Quat attitudeWithUp(const Vec3 &up)
{
    const Vec3 axis = cross(up, kAxisZ);
    const double length = norm(axis);
    const double degrees = std::atan2(length, dot(up, kAxisZ)) * 360.0 / kTwoPi;
    return axisRotation(length > 1e-12 ? axis * (1.0 / length) : kAxisX, degrees);
}

// Held still, then turned about one body axis with a cosine ease, so the
// rate starts and ends at zero.
Pose cyclingPose(double t)
{
    const double period = kPoseHoldSeconds + kPoseTurnSeconds;
    const double cycle = std::fmod(t, period * kPoseCount);
    const int index = static_cast<int>(cycle / period);
    const Quat from = attitudeWithUp(kPoseUp[index]);
    const double turning = cycle - index * period - kPoseHoldSeconds;
    if (turning <= 0)
        return poseWith(from, {});
    const Quat step = conjugate(from) * attitudeWithUp(kPoseUp[(index + 1) % kPoseCount]);
    const Vec3 axis = rotationAxis(step);
    const double angle = rotationAngle(step);
    const double phase = kTwoPi / 2 * turning / kPoseTurnSeconds;
    const double eased = (1 - std::cos(phase)) / 2;
    const double easedRate = std::sin(phase) * kTwoPi / 4 / kPoseTurnSeconds;
    return poseWith(from * axisRotation(axis, angle * eased), axis * (angle * easedRate));
}

Pose yawingPose(double t)
{
    return poseWith(quaternionFromEuler({0, 0, wrapDegrees(kYawRate * t)}), kAxisZ * kYawRate);
}

} // namespace

Pose poseOf(Motion motion, double seconds)
{
    switch (motion) {
    case Motion::Still:
        return heldStill(movingPose(0));
    case Motion::Tumble:
        return tumblingPose(seconds);
    case Motion::Poses:
        return cyclingPose(std::max(seconds, 0.0));
    case Motion::Yaw:
        return yawingPose(seconds);
    case Motion::Sway:
        break;
    }
    return movingPose(seconds);
}

Pose movingPose(double t)
{
    Pose pose;
    pose.angles = {kRollSlow.value(t) + kRollFast.value(t),
                   kPitchSlow.value(t) + kPitchFast.value(t),
                   wrapDegrees(kYawTurnRate * t + kYawSway.value(t))};
    const EulerAngles rates{kRollSlow.rate(t) + kRollFast.rate(t),
                            kPitchSlow.rate(t) + kPitchFast.rate(t),
                            kYawTurnRate + kYawSway.rate(t)};
    pose.orientation = quaternionFromEuler(pose.angles);
    pose.angularRate = bodyRateFromEulerRates(pose.angles, rates);
    pose.linearAcceleration = {kSurge.value(t), kSway.value(t), kHeave.value(t)};
    return pose;
}

Pose heldStill(const Pose &pose)
{
    Pose still = pose;
    still.angularRate = {};
    still.linearAcceleration = {};
    return still;
}

} // namespace imusim
