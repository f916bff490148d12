// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

namespace imusim {

namespace {

IMUserial::vec3 toRecord(const Vec3 &v)
{
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

IMUserial::vec3 toRecord(const EulerAngles &angles)
{
    return {static_cast<float>(angles.roll), static_cast<float>(angles.pitch),
            static_cast<float>(angles.yaw)};
}

} // namespace

Vec3 corrected(const Vec3 &raw, const float (&bias)[3], const float (&mis)[9])
{
    const Vec3 unbiased = raw - Vec3{bias[0], bias[1], bias[2]};
    return {mis[0] * unbiased.x + mis[1] * unbiased.y + mis[2] * unbiased.z,
            mis[3] * unbiased.x + mis[4] * unbiased.y + mis[5] * unbiased.z,
            mis[6] * unbiased.x + mis[7] * unbiased.y + mis[8] * unbiased.z};
}

IMUserial::sensor_data makeSample(const Pose &pose, const ChipReading &chip1, const Vec3 &rawMag,
                                  const StoredState &stored)
{
    const Vec3 acc = corrected(chip1.acc, stored.imu1.acc_bias, stored.imu1.acc_mis);
    const Quat reported = conjugate(stored.quaternionOffset) * pose.orientation;

    IMUserial::sensor_data sample{};
    sample.gyr = toRecord(corrected(chip1.gyr, stored.imu1.gyr_bias, stored.imu1.gyr_mis));
    sample.acc = toRecord(acc);
    sample.mag = toRecord(corrected(rawMag, stored.mag.mag_bias, stored.mag.mag_mis));
    // Free acceleration is given in the world frame: the attitude filter knows
    // the true attitude, independent of the offset the host asked for.
    sample.free_acc = toRecord(rotateToWorld(pose.orientation, acc) - Vec3{0, 0, kGravity});
    sample.angle = toRecord(eulerFromQuaternion(reported));
    sample.quat = {static_cast<float>(reported.w), static_cast<float>(reported.x),
                   static_cast<float>(reported.y), static_cast<float>(reported.z)};
    sample.temp = static_cast<float>(chip1.temperature);
    return sample;
}

IMUserial::sensor_data_calibration
makeCalibrationSample(const ChipReading &chip1, const ChipReading &chip2, const Vec3 &rawMag)
{
    IMUserial::sensor_data_calibration sample{};
    sample.gyr1 = toRecord(chip1.gyr);
    sample.acc1 = toRecord(chip1.acc);
    sample.angle1 = toRecord(chip1.angles);
    sample.temp1 = static_cast<float>(chip1.temperature);
    sample.gyr2 = toRecord(chip2.gyr);
    sample.acc2 = toRecord(chip2.acc);
    sample.angle2 = toRecord(chip2.angles);
    sample.temp2 = static_cast<float>(chip2.temperature);
    sample.mag = toRecord(rawMag);
    return sample;
}

} // namespace imusim
