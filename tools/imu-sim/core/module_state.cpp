#include "module_state.h"

namespace imusim {

namespace {

void setIdentity(float (&matrix)[9])
{
    for (int i = 0; i < 9; ++i)
        matrix[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

} // namespace

StoredState::StoredState() : imu1(neutralImuSet()), imu2(neutralImuSet()), mag(neutralMagSet()) {}

IMUserial::imu_calibration_data neutralImuSet()
{
    IMUserial::imu_calibration_data set{};
    setIdentity(set.gyr_mis);
    setIdentity(set.acc_mis);
    return set;
}

IMUserial::mag_calibration_data neutralMagSet()
{
    IMUserial::mag_calibration_data set{};
    setIdentity(set.mag_mis);
    return set;
}

} // namespace imusim
