// SPDX-License-Identifier: GPL-3.0-or-later
// What a fitted calibration set may be: the module's sensors' ranges and the
// largest error a sensor of its kind has. A fit outside these is refused, as
// the sign of bad data, not written.
#pragma once

namespace calibration {

inline constexpr double kStandardGravity = 9.80665; // m/s^2

// Any entry of a fitted matrix may be off the identity's by at most this.
inline constexpr double kMostMatrixDeviation = 0.30;
// Full-scale ranges: a bias beyond them cannot be an offset of that sensor.
inline constexpr double kAccelerometerRange = 16 * kStandardGravity; // m/s^2
inline constexpr double kMagnetometerRange = 1300.0;                 // micro tesla
// The Earth's field is 22 to 67 micro tesla: a magnetometer reading nearer
// than this to the ellipsoid's centre is noise, not a direction reached (the
// readings of a module left still are all that near their centre).
inline constexpr double kLeastMagneticField = 5.0; // micro tesla

} // namespace calibration
