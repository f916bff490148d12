#include "calibration/fitted_sets.h"

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

} // namespace

IMUserial::mag_calibration_data withFit(IMUserial::mag_calibration_data stored,
                                        const MagnetometerFit &fit)
{
    store(stored.mag_bias, fit.bias);
    store(stored.mag_mis, fit.matrix);
    store(stored.mag_radii, fit.radii);
    return stored;
}

IMUserial::imu_calibration_data withFit(IMUserial::imu_calibration_data stored,
                                        const AccelerometerFit &fit)
{
    store(stored.acc_bias, fit.bias);
    store(stored.acc_mis, fit.matrix);
    return stored;
}

} // namespace calibration
