// SPDX-License-Identifier: GPL-3.0-or-later
// The units of a streamed sample's fields, as the module reports them (UTF-8).
#pragma once

namespace stream {

inline constexpr char kAngleUnit[] = "deg";
inline constexpr char kAngularRateUnit[] = "deg/s";
inline constexpr char kAccelerationUnit[] = "m/s²";
inline constexpr char kMagneticFieldUnit[] = "µT";
inline constexpr char kTemperatureUnit[] = "°C";

} // namespace stream
