// What the module's sensors read for a given pose: the true quantities plus
// each chip's fixed errors and random noise. The errors are fixed (not drawn
// from the seed) so that a calibration can be checked against them.
#pragma once

#include "motion_model.h"
#include "rotation.h"

#include <cstdint>
#include <random>

namespace imusim {

struct ChipErrors
{
    Vec3 gyrBias;             // deg/s
    Vec3 accBias;             // m/s^2
    double temperatureOffset; // degrees Celsius
};

inline constexpr ChipErrors kChip1Errors{{0.35, -0.22, 0.12}, {0.05, -0.03, 0.08}, 0.0};
inline constexpr ChipErrors kChip2Errors{{-0.18, 0.41, -0.27}, {-0.06, 0.04, -0.02}, 1.2};
// Hard-iron offset of the magnetometer, micro tesla.
inline constexpr Vec3 kMagOffset{12.0, -7.0, 4.0};
// The Earth's field in the world frame (x north, y west, z up), micro tesla.
inline constexpr Vec3 kEarthField{20.0, 0.0, -44.0};

inline constexpr double kGyrNoise = 0.08;   // deg/s, one sigma
inline constexpr double kAccNoise = 0.015;  // m/s^2
inline constexpr double kMagNoise = 0.25;   // micro tesla
inline constexpr double kAngleNoise = 0.05; // deg, of a chip's own attitude estimate

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
    explicit SensorModel(std::uint32_t seed);

    // Raw reading of one IMU chip; `uptime` drives the temperature.
    ChipReading chip(Chip which, const Pose &pose, double uptime);
    Vec3 magnetometer(const Pose &pose);

private:
    Vec3 noise(double sigma);

    std::mt19937 random_;
    std::normal_distribution<double> normal_{0.0, 1.0};
};

// Specific force the accelerometer senses, in the body frame.
Vec3 specificForce(const Pose &pose);

// Module temperature: warms up over the first minutes, then breathes slowly.
double moduleTemperature(double uptime);

const ChipErrors &errorsOf(Chip which);

} // namespace imusim
