// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_text.h"
#include "neutral_calibration.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(CalibrationReadout, NeutralSetsGiveTheFullLayout)
{
    const QString text = calibration::readout(
        IMUserial::neutralImuSet(), IMUserial::neutralImuSet(), IMUserial::neutralMagSet());
    const QString zeros = "0.0000  0.0000  0.0000";
    const QString imuSection = "Gyr bias: \t" + zeros +
                               "\n \n"
                               "Gyr Mis: \t1.0000  0.0000  0.0000\n"
                               "\t0.0000  1.0000  0.0000\n"
                               "\t0.0000  0.0000  1.0000\n \n"
                               "Acc bias: \t" +
                               zeros +
                               "\n \n"
                               "Acc Mis: \t1.0000  0.0000  0.0000\n"
                               "\t0.0000  1.0000  0.0000\n"
                               "\t0.0000  0.0000  1.0000\n \n";
    const QString expected = "IMU1 (20685) \n" + imuSection + "IMU2 (42652) \n" + imuSection +
                             "Mag bias: \t" + zeros +
                             "\n \n"
                             "Mag Mis: \t1.0000  0.0000  0.0000\n"
                             "\t0.0000  1.0000  0.0000\n"
                             "\t0.0000  0.0000  1.0000\n \n"
                             "Mag radii: \t" +
                             zeros + "\n \n";
    EXPECT_EQ(text.toStdString(), expected.toStdString());
    EXPECT_EQ(text.count('\n'), 34);
    EXPECT_EQ(text.split('\n').count(" "), 11);
}

TEST(CalibrationReadout, ValuesAreRoundedToFourDecimalsInStorageOrder)
{
    IMUserial::imu_calibration_data imu1{};
    imu1.gyr_bias[0] = 1.00005f;
    imu1.gyr_bias[1] = -0.12345f;
    imu1.gyr_bias[2] = 250.5f;
    for (int i = 0; i < 9; ++i)
        imu1.acc_mis[i] = float(i + 1);
    IMUserial::mag_calibration_data mag{};
    mag.mag_radii[2] = -3.25f;
    const QStringList lines =
        calibration::readout(imu1, IMUserial::imu_calibration_data{}, mag).split('\n');
    EXPECT_EQ(lines[1], "Gyr bias: \t1.0000  -0.1235  250.5000");
    EXPECT_EQ(lines[9], "Acc Mis: \t1.0000  2.0000  3.0000");
    EXPECT_EQ(lines[10], "\t4.0000  5.0000  6.0000");
    EXPECT_EQ(lines[11], "\t7.0000  8.0000  9.0000");
    EXPECT_EQ(lines[32], "Mag radii: \t0.0000  0.0000  -3.2500");
}

TEST(CalibrationLine, PatternsPerModeWithWidthSixOnlyForTheGyroscope)
{
    IMUserial::sensor_data_calibration s{};
    s.gyr1 = {1.5f, -0.25f, 100.0f};
    s.gyr2 = {-1234.5f, 0, 12.345f};
    s.acc1 = {1.5f, -0.25f, 9.81f};
    s.angle2 = {-1, 2, 3};
    s.temp1 = 25.0f;
    s.temp2 = 31.456f;
    s.mag = {0.5f, -0.5f, 42};

    EXPECT_EQ(calibration::calibrationLine(stream::DisplayMode(2), s),
              "[gyr1] x:   1.50 y  -0.25 z: 100.00 [gyr2] x: -1234.50 y   0.00 z:  12.35");
    EXPECT_EQ(calibration::calibrationLine(stream::DisplayMode(3), s),
              "[acc1] x: 1.50 y -0.25 z: 9.81 [acc2] x: 0.00 y 0.00 z: 0.00");
    EXPECT_EQ(calibration::calibrationLine(stream::DisplayMode(1), s),
              "[angle1] x: 0.00 y 0.00 z: 0.00 [angle2] x: -1.00 y 2.00 z: 3.00");
    EXPECT_EQ(calibration::calibrationLine(stream::DisplayMode(4), s),
              "[mag] x: 0.50 y -0.50 z: 42.00");
    EXPECT_EQ(calibration::calibrationLine(stream::DisplayMode(7), s),
              "[Temp1] 25.00 [Temp2] 31.46");
    for (int silent : {0, 5, 6, 8})
        EXPECT_TRUE(calibration::calibrationLine(stream::DisplayMode(silent), s).isNull())
            << silent;
}

TEST(Readout, ASetThatCouldNotBeReadIsNamedInsteadOfItsValues)
{
    const QString text =
        calibration::readout(IMUserial::neutralImuSet(), std::nullopt, std::nullopt);
    EXPECT_TRUE(text.startsWith("IMU1 (20685) \nGyr bias: \t0.0000  0.0000  0.0000\n"));
    EXPECT_TRUE(text.endsWith("IMU2 (42652) \nIMU2 calibration data could not be read\n \n"
                              "Mag calibration data could not be read\n \n"));
}
