// SPDX-License-Identifier: GPL-3.0-or-later
// Turns sensor readings into the records the module sends: the fused sample,
// corrected by the stored calibration and the quaternion offset, and the raw
// calibration-mode sample of both chips and the magnetometer.
#pragma once

#include "module_state.h"
#include "motion_model.h"
#include "sensor_model.h"

#include <imuserial.h>

namespace imusim {

// mis * (raw - bias), mis row-major.
Vec3 corrected(const Vec3 &raw, const float (&bias)[3], const float (&mis)[9]);

IMUserial::sensor_data makeSample(const Pose &pose, const ChipReading &chip1, const Vec3 &rawMag,
                                  const StoredState &stored);

IMUserial::sensor_data_calibration
makeCalibrationSample(const ChipReading &chip1, const ChipReading &chip2, const Vec3 &rawMag);

} // namespace imusim
