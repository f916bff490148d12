// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_text.h"

#include "neutral_calibration.h"

namespace calibration {

using stream::DisplayMode;

namespace {

QString twoDecimals(float value)
{
    return QString::number(static_cast<double>(value), 'f', 2);
}

QString gyrValue(float value)
{
    return twoDecimals(value).rightJustified(6, ' ');
}

QString twoChipLine(const char *pattern, const IMUserial::vec3 &chip1, const IMUserial::vec3 &chip2,
                    QString (*format)(float) = twoDecimals)
{
    return QString(pattern).arg(format(chip1.x), format(chip1.y), format(chip1.z), format(chip2.x),
                                format(chip2.y), format(chip2.z));
}

QString fourDecimals(float value)
{
    return QString::number(static_cast<double>(value), 'f', 4);
}

QString row(const float *values)
{
    return fourDecimals(values[0]) + "  " + fourDecimals(values[1]) + "  " +
           fourDecimals(values[2]);
}

QString vectorBlock(const char *label, const float *values)
{
    return label + row(values) + "\n \n";
}

QString matrixBlock(const char *label, const float *values)
{
    return label + row(values) + "\n\t" + row(values + 3) + "\n\t" + row(values + 6) + "\n \n";
}

QString imuBlocks(const IMUserial::imu_calibration_data &set)
{
    return vectorBlock("Gyr bias: \t", set.gyr_bias) + matrixBlock("Gyr Mis: \t", set.gyr_mis) +
           vectorBlock("Acc bias: \t", set.acc_bias) + matrixBlock("Acc Mis: \t", set.acc_mis);
}

QString magBlocks(const IMUserial::mag_calibration_data &set)
{
    return vectorBlock("Mag bias: \t", set.mag_bias) + matrixBlock("Mag Mis: \t", set.mag_mis) +
           vectorBlock("Mag radii: \t", set.mag_radii);
}

QString unreadSet(const char *name)
{
    return QString("%1 calibration data could not be read\n \n").arg(name);
}

} // namespace

QString calibrationLine(DisplayMode messageMode, const IMUserial::sensor_data_calibration &s)
{
    switch (messageMode) {
    case DisplayMode::Angle:
        return twoChipLine("[angle1] x: %1 y %2 z: %3 [angle2] x: %4 y %5 z: %6", s.angle1,
                           s.angle2);
    case DisplayMode::Gyr:
        return twoChipLine("[gyr1] x: %1 y %2 z: %3 [gyr2] x: %4 y %5 z: %6", s.gyr1, s.gyr2,
                           gyrValue);
    case DisplayMode::Acc:
        return twoChipLine("[acc1] x: %1 y %2 z: %3 [acc2] x: %4 y %5 z: %6", s.acc1, s.acc2);
    case DisplayMode::Mag:
        return QString("[mag] x: %1 y %2 z: %3")
            .arg(twoDecimals(s.mag.x), twoDecimals(s.mag.y), twoDecimals(s.mag.z));
    case DisplayMode::Temperature:
        return QString("[Temp1] %1 [Temp2] %2").arg(twoDecimals(s.temp1), twoDecimals(s.temp2));
    default:
        return QString();
    }
}

QString readout(const std::optional<IMUserial::imu_calibration_data> &imu1,
                const std::optional<IMUserial::imu_calibration_data> &imu2,
                const std::optional<IMUserial::mag_calibration_data> &mag)
{
    return "IMU1 (20685) \n" + (imu1 ? imuBlocks(*imu1) : unreadSet("IMU1")) + "IMU2 (42652) \n" +
           (imu2 ? imuBlocks(*imu2) : unreadSet("IMU2")) +
           (mag ? magBlocks(*mag) : unreadSet("Mag"));
}

Sets neutralSets()
{
    return {IMUserial::neutralImuSet(), IMUserial::neutralImuSet(), IMUserial::neutralMagSet()};
}

} // namespace calibration
