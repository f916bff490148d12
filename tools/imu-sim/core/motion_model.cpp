#include "motion_model.h"

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

} // namespace

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
