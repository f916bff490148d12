// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulated module keeps: the stored state that lives in its flash
// (identity, calibration sets, quaternion offset) and survives a restart, and
// the run-time state that a restart resets.
#pragma once

#include "rotation.h"

#include <imuserial.h>

#include <array>
#include <cstdint>
#include <string>

namespace imusim {

using VersionBytes = std::array<std::uint8_t, 3>;

struct StoredState
{
    VersionBytes version{1, 4, 2};
    std::string serialNumber = "ORV000001";
    IMUserial::imu_calibration_data imu1;
    IMUserial::imu_calibration_data imu2;
    IMUserial::mag_calibration_data mag;
    Quat quaternionOffset; // the attitude that reads as zero

    StoredState();
};

// Output rate codes as the host sends them; index = code.
inline constexpr std::array<double, 6> kRateByCode{1, 5, 10, 50, 100, 200};
inline constexpr std::uint8_t kDefaultRateCode = 4;

struct RuntimeState
{
    bool streaming = false;
    bool calibrationMode = false;
    std::uint8_t rateCode = kDefaultRateCode;
};

} // namespace imusim
