// SPDX-License-Identifier: GPL-3.0-or-later
// Text of the calibration views and the module's neutral calibration sets.
#pragma once

#include "calibration/calibration_sets.h"
#include "imuserial.h"
#include "stream/display_modes.h"

#include <QString>

#include <optional>

namespace calibration {

// The log line for one calibration-mode sample in the given message display
// mode; a null string for the modes that show no calibration line (free
// acceleration, quaternion).
QString calibrationLine(stream::DisplayMode messageMode,
                        const IMUserial::sensor_data_calibration &sample);

// The read-out of the three stored sets: 34 lines, values with 4 decimals.
// A set that could not be read (no value) shows one line saying so instead of
// its blocks, never numbers.
QString readout(const std::optional<IMUserial::imu_calibration_data> &imu1,
                const std::optional<IMUserial::imu_calibration_data> &imu2,
                const std::optional<IMUserial::mag_calibration_data> &mag);

// What clearing stores: both chips and the magnetometer neutral
// (neutral_calibration.h).
Sets neutralSets();

} // namespace calibration
