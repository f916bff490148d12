// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/fitted_sets.h"

#include "neutral_calibration.h"

namespace calibration {

namespace {

void store(float (&target)[3], const Eigen::Vector3d &v)
{
    for (int i = 0; i < 3; ++i)
        target[i] = float(v[i]);
}

void store(float (&target)[9], const Eigen::Matrix3d &m)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            target[3 * row + column] = float(m(row, column));
}

std::optional<IMUserial::imu_calibration_data>
withFit(const std::optional<AccelerometerFit> &fit,
        const std::optional<IMUserial::imu_calibration_data> &stored)
{
    if (!fit)
        return std::nullopt;
    IMUserial::imu_calibration_data set = stored.value_or(IMUserial::neutralImuSet());
    store(set.acc_bias, fit->bias);
    store(set.acc_mis, fit->matrix);
    return set;
}

std::optional<IMUserial::mag_calibration_data>
withFit(const std::optional<MagnetometerFit> &fit,
        const std::optional<IMUserial::mag_calibration_data> &stored)
{
    if (!fit)
        return std::nullopt;
    IMUserial::mag_calibration_data set = stored.value_or(IMUserial::neutralMagSet());
    store(set.mag_bias, fit->bias);
    store(set.mag_mis, fit->matrix);
    store(set.mag_radii, fit->radii);
    return set;
}

} // namespace

StoredSets fittedSets(const Fits &fits, const StoredSets &stored)
{
    return {withFit(fits.imu1, stored.imu1), withFit(fits.imu2, stored.imu2),
            withFit(fits.mag, stored.mag)};
}

} // namespace calibration
