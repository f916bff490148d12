// SPDX-License-Identifier: GPL-3.0-or-later
// Calibration sets that change nothing: zero biases, identity matrices and
// zero radii. The window and the command line write them to clear a module's
// calibration; the simulated module starts with them. Header-only and free of
// Qt, so that it goes with the record types wherever they are used.
#pragma once

#include "imuserial.h"

namespace IMUserial {

namespace neutral_detail {

inline void setIdentity(float (&matrix)[9])
{
    for (int i = 0; i < 9; ++i)
        matrix[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

} // namespace neutral_detail

inline imu_calibration_data neutralImuSet()
{
    imu_calibration_data set{};
    neutral_detail::setIdentity(set.gyr_mis);
    neutral_detail::setIdentity(set.acc_mis);
    return set;
}

inline mag_calibration_data neutralMagSet()
{
    mag_calibration_data set{};
    neutral_detail::setIdentity(set.mag_mis);
    return set;
}

} // namespace IMUserial
