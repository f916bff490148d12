#include "motion_model.h"

#include <cmath>

namespace imusim {

namespace {

constexpr double TWO_PI = 6.28318530717958647692;

// A sin(2 pi f t + phase) with its time derivative.
struct Wave
{
    double amplitude;
    double frequency;
    double phase;

    double value(double t) const { return amplitude * std::sin(TWO_PI * frequency * t + phase); }
    double rate(double t) const
    {
        return amplitude * TWO_PI * frequency * std::cos(TWO_PI * frequency * t + phase);
    }
};

constexpr Wave ROLL_SLOW{25.0, 0.05, 0.0};
constexpr Wave ROLL_FAST{4.0, 0.23, 0.5};
constexpr Wave PITCH_SLOW{15.0, 0.07, 1.0};
constexpr Wave PITCH_FAST{3.0, 0.31, 0.0};
constexpr double YAW_TURN_RATE = 6.0; // deg/s, a full turn a minute
constexpr Wave YAW_SWAY{20.0, 0.04, 0.0};
constexpr Wave SURGE{0.4, 0.15, 0.0};
constexpr Wave SWAY{0.3, 0.11, 0.7};
constexpr Wave HEAVE{0.2, 0.19, 1.3};

double wrapDegrees(double angle)
{
    const double wrapped = std::fmod(angle + 180.0, 360.0);
    return (wrapped < 0 ? wrapped + 360.0 : wrapped) - 180.0;
}

} // namespace

Pose movingPose(double t)
{
    Pose pose;
    pose.angles = {ROLL_SLOW.value(t) + ROLL_FAST.value(t),
                   PITCH_SLOW.value(t) + PITCH_FAST.value(t),
                   wrapDegrees(YAW_TURN_RATE * t + YAW_SWAY.value(t))};
    const EulerAngles rates{ROLL_SLOW.rate(t) + ROLL_FAST.rate(t),
                            PITCH_SLOW.rate(t) + PITCH_FAST.rate(t),
                            YAW_TURN_RATE + YAW_SWAY.rate(t)};
    pose.orientation = quaternionFromEuler(pose.angles);
    pose.angularRate = bodyRateFromEulerRates(pose.angles, rates);
    pose.linearAcceleration = {SURGE.value(t), SWAY.value(t), HEAVE.value(t)};
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
