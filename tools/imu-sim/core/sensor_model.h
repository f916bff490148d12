// SPDX-License-Identifier: GPL-3.0-or-later
// What the module's sensors read for a given pose: the true quantities turned
// by each sensor's matrix, plus its bias, a slowly wandering bias and white
// noise, as the sensor profile sets them. The errors are fixed (not drawn from
// the seed) so that a calibration can be checked against them; the noise and
// the wandering are drawn from the seed.
#pragma once

#include "motion_model.h"
#include "rotation.h"
#include "sensor_profile.h"

#include <array>
#include <cstdint>
#include <random>

namespace imusim {

struct ChipReading
{
    Vec3 gyr;
    Vec3 acc;
    EulerAngles angles;
    double temperature;
};

enum class Chip
{
    First,
    Second
};

class SensorModel
{
public:
    SensorModel(const SensorProfile &profile, std::uint32_t seed);

    // Raw reading of one IMU chip at `uptime`, one of `sampleRate` samples a
    // second: the rate sets the white noise of one sample (density * sqrt(rate)).
    ChipReading chip(Chip which, const Pose &pose, double uptime, double sampleRate);
    Vec3 magnetometer(const Pose &pose);

private:
    // The random walk of a chip's biases, kept up to `at` seconds of uptime.
    struct BiasWalk
    {
        Vec3 acc;
        Vec3 gyr;
        double at = 0;
    };

    Vec3 walked(Vec3 &offset, double walk, double seconds);
    Vec3 noise(double sigma);
    Vec3 whiteNoise(const AxisErrors &errors, double fixedSigma, double sampleRate);

    SensorProfile profile_;
    std::array<BiasWalk, 2> walks_;
    std::mt19937 random_;
    std::normal_distribution<double> normal_{0.0, 1.0};
};

// Specific force the accelerometer senses, in the body frame.
Vec3 specificForce(const Pose &pose);

// Module temperature: warms up over the first minutes, then breathes slowly.
double moduleTemperature(double uptime);

const ChipErrors &errorsOf(Chip which);

} // namespace imusim
