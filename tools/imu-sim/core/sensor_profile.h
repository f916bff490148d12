// SPDX-License-Identifier: GPL-3.0-or-later
// The errors and noise of the module's sensors, and the reader of the JSON
// file that sets them (imu-sim --sensor-profile). Every value has a default,
// the simulator's built-in errors, so a profile names only what it changes.
// The structures are plain; only the reader's implementation uses QtCore.
#pragma once

#include "rotation.h"

#include <cmath>
#include <optional>
#include <string>

namespace imusim {

// Fixed errors of one chip when no profile changes them.
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

// Noise of one sample whatever the rate, when no density is given.
inline constexpr double kGyrNoise = 0.08;   // deg/s, one sigma
inline constexpr double kAccNoise = 0.015;  // m/s^2
inline constexpr double kMagNoise = 0.25;   // micro tesla
inline constexpr double kAngleNoise = 0.05; // deg, of a chip's own attitude estimate

// One chip's accelerometer or gyroscope: raw = matrix * true + bias + walk + noise.
struct AxisErrors
{
    Vec3 bias;                          // m/s^2 or deg/s
    Mat3 matrix;                        // scale and misalignment, row-major
    std::optional<double> noiseDensity; // per sqrt(Hz); none: the fixed per-sample sigma
    double biasWalk = 0;                // m/s^3/sqrt(Hz) or deg/s^2/sqrt(Hz)
};

struct ChipProfile
{
    AxisErrors acc;
    AxisErrors gyr;
};

inline ChipProfile defaultChipProfile(const ChipErrors &errors)
{
    ChipProfile profile;
    profile.acc.bias = errors.accBias;
    profile.gyr.bias = errors.gyrBias;
    return profile;
}

// raw = softIron * field in the body + hardIron + noise.
struct MagnetometerProfile
{
    Vec3 hardIron = kMagOffset; // micro tesla
    Mat3 softIron;
    double noise = kMagNoise; // micro tesla per sample, one sigma
};

struct SensorProfile
{
    Vec3 earthField = kEarthField; // world frame, micro tesla
    MagnetometerProfile mag;
    ChipProfile imu1 = defaultChipProfile(kChip1Errors);
    ChipProfile imu2 = defaultChipProfile(kChip2Errors);
};

// The world field of strength S and inclination I (positive down, degrees):
// (S cos I, 0, -S sin I).
inline Vec3 fieldOf(double strength, double inclination)
{
    const double radians = inclination * 3.14159265358979323846 / 180.0;
    return {strength * std::cos(radians), 0, -strength * std::sin(radians)};
}

struct ProfileReading
{
    std::optional<SensorProfile> profile;
    std::string error; // names the field, e.g. "imu1.acc_matrix: expected 3 rows of 3 numbers"
};

// Reads a profile from JSON text.
ProfileReading readSensorProfile(const std::string &json);
// Reads the profile file `path`; an error begins "sensor profile PATH: ".
ProfileReading loadSensorProfile(const std::string &path);

} // namespace imusim
