// SPDX-License-Identifier: GPL-3.0-or-later
// The command state machine: every command's answer and its effect on what
// the module stores and streams.
#include "core/module.h"
#include "neutral_calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace imusim {
namespace {

using namespace imuproto;

class ModuleTest : public ::testing::Test
{
protected:
    CommandOutcome run(std::uint8_t command, std::vector<std::uint8_t> payload = {},
                       double uptime = 1.0)
    {
        return module.execute(command, payload.data(), payload.size(), uptime);
    }

    template <class Set> Set readSet(std::uint8_t which)
    {
        const CommandOutcome outcome = run(CMD_READ_CALIBRATION, {which});
        EXPECT_EQ(outcome.status, STATUS_OK);
        EXPECT_EQ(outcome.data.size(), sizeof(Set));
        Set set{};
        std::memcpy(&set, outcome.data.data(), std::min(sizeof(Set), outcome.data.size()));
        return set;
    }

    template <class Set> std::vector<std::uint8_t> writePayload(std::uint8_t which, const Set &set)
    {
        std::vector<std::uint8_t> payload(1 + sizeof(Set));
        payload[0] = which;
        std::memcpy(payload.data() + 1, &set, sizeof(Set));
        return payload;
    }

    IMUserial::sensor_data sampleAt(double uptime)
    {
        const Record record = module.record(uptime);
        EXPECT_EQ(record.type, DATA_SAMPLE);
        IMUserial::sensor_data sample{};
        std::memcpy(&sample, record.payload.data(), sizeof sample);
        return sample;
    }

    Module module{StoredState{}, ModuleSettings{}};
};

TEST_F(ModuleTest, IdentityCommands)
{
    const auto version = run(CMD_GET_VERSION);
    EXPECT_EQ(version.status, STATUS_OK);
    EXPECT_EQ(version.data, (std::vector<std::uint8_t>{1, 4, 2}));

    EXPECT_EQ(run(CMD_SET_SN, {'A', 'B', 'C', '1', '2', '3', 'X', 'Y', 'Z'}).status, STATUS_OK);
    const auto sn = run(CMD_GET_SN);
    EXPECT_EQ(std::string(sn.data.begin(), sn.data.end()), "ABC123XYZ");

    EXPECT_EQ(run(CMD_SET_SN, {}).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(run(CMD_SET_SN, std::vector<std::uint8_t>(33, 'A')).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(run(CMD_SET_SN, std::vector<std::uint8_t>(32, 'B')).status, STATUS_OK);
    EXPECT_EQ(run(CMD_GET_SN).data.size(), 32u);
}

TEST_F(ModuleTest, MalformedAndUnknownCommandsChangeNothing)
{
    EXPECT_EQ(run(0x3E).status, STATUS_UNKNOWN_COMMAND);
    EXPECT_EQ(run(CMD_START_STREAM, {1}).status, STATUS_BAD_PAYLOAD);
    EXPECT_FALSE(module.sending());
    EXPECT_EQ(run(CMD_SET_RATE, {6}).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(run(CMD_SET_RATE, {}).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(run(CMD_SET_RATE, {5, 5}).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(module.rateCode(), kDefaultRateCode);
    EXPECT_EQ(run(CMD_READ_CALIBRATION, {3}).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(run(CMD_JUMP_DFU, {0}).jumpToBootloader, false);
}

TEST_F(ModuleTest, StreamingRateAndCalibrationModeSelectTheOutput)
{
    EXPECT_EQ(run(CMD_SET_RATE, {5}).status, STATUS_OK);
    EXPECT_EQ(module.rateCode(), 5);
    EXPECT_EQ(run(CMD_START_STREAM).status, STATUS_OK);
    EXPECT_TRUE(module.sending());
    EXPECT_EQ(module.record(2.0).type, DATA_SAMPLE);

    EXPECT_EQ(run(CMD_ENTER_CALIBRATION).status, STATUS_OK);
    EXPECT_EQ(module.record(2.0).type, DATA_CALIBRATION_SAMPLE);
    EXPECT_EQ(module.record(2.0).size, sizeof(IMUserial::sensor_data_calibration));
    // Calibration mode streams on its own, even with the sample stream stopped.
    EXPECT_EQ(run(CMD_STOP_STREAM).status, STATUS_OK);
    EXPECT_TRUE(module.sending());
    EXPECT_EQ(run(CMD_EXIT_CALIBRATION).status, STATUS_OK);
    EXPECT_FALSE(module.sending());
}

TEST_F(ModuleTest, CalibrationSetsStartNeutralAndKeepWhatIsWritten)
{
    const auto neutral = readSet<IMUserial::imu_calibration_data>(SET_IMU2);
    EXPECT_EQ(neutral.gyr_mis[0], 1.0f);
    EXPECT_EQ(neutral.gyr_mis[1], 0.0f);
    EXPECT_EQ(neutral.acc_mis[8], 1.0f);
    EXPECT_EQ(neutral.gyr_bias[2], 0.0f);
    const auto mag = readSet<IMUserial::mag_calibration_data>(SET_MAG);
    EXPECT_EQ(mag.mag_mis[4], 1.0f);
    EXPECT_EQ(mag.mag_radii[0], 0.0f);

    IMUserial::imu_calibration_data written = neutral;
    written.acc_bias[1] = -0.12345f;
    written.gyr_mis[3] = 1.00005f;
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, writePayload(SET_IMU1, written)).status, STATUS_OK);
    const auto back = readSet<IMUserial::imu_calibration_data>(SET_IMU1);
    EXPECT_EQ(std::memcmp(&back, &written, sizeof written), 0);
    // The other chip's set is untouched.
    const auto other = readSet<IMUserial::imu_calibration_data>(SET_IMU2);
    EXPECT_EQ(std::memcmp(&other, &neutral, sizeof neutral), 0);

    IMUserial::mag_calibration_data magWritten = mag;
    magWritten.mag_radii[2] = 48.5f;
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, writePayload(SET_MAG, magWritten)).status, STATUS_OK);
    EXPECT_EQ(readSet<IMUserial::mag_calibration_data>(SET_MAG).mag_radii[2], 48.5f);

    // A restart after the bootloader keeps the stored sets.
    module.restart(5.0, std::nullopt);
    EXPECT_EQ(readSet<IMUserial::imu_calibration_data>(SET_IMU1).acc_bias[1], -0.12345f);
}

TEST_F(ModuleTest, RefusesCalibrationSetsOfWrongSizeOrNonFiniteValues)
{
    IMUserial::imu_calibration_data set = IMUserial::neutralImuSet();
    auto payload = writePayload(SET_IMU1, set);
    payload.pop_back();
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, payload).status, STATUS_BAD_PAYLOAD);
    // An IMU-sized set for the magnetometer.
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, writePayload(SET_MAG, set)).status, STATUS_BAD_PAYLOAD);
    set.gyr_bias[0] = std::nanf("");
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, writePayload(SET_IMU1, set)).status, STATUS_BAD_PAYLOAD);
    set.gyr_bias[0] = INFINITY;
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, writePayload(SET_IMU1, set)).status, STATUS_BAD_PAYLOAD);
    EXPECT_EQ(readSet<IMUserial::imu_calibration_data>(SET_IMU1).gyr_bias[0], 0.0f);
    EXPECT_EQ(run(CMD_WRITE_CALIBRATION, {}).status, STATUS_BAD_PAYLOAD);
}

TEST_F(ModuleTest, GyroBiasCalibrationMeasuresEachChipsBias)
{
    EXPECT_EQ(run(CMD_STOP_GYR_BIAS).status, STATUS_FAILED); // nothing to stop
    EXPECT_EQ(run(CMD_START_GYR_BIAS, {}, 10.0).status, STATUS_OK);
    const double yawAtStart = module.poseAt(10.0).angles.yaw;
    // The body is held at rest while the bias is measured.
    EXPECT_EQ(module.poseAt(12.0).angularRate.x, 0.0);
    EXPECT_EQ(module.poseAt(10.0).angles.yaw, module.poseAt(14.0).angles.yaw);
    EXPECT_EQ(run(CMD_STOP_GYR_BIAS, {}, 15.0).status, STATUS_OK);
    EXPECT_EQ(run(CMD_STOP_GYR_BIAS, {}, 16.0).status, STATUS_FAILED);

    const auto imu1 = readSet<IMUserial::imu_calibration_data>(SET_IMU1);
    const auto imu2 = readSet<IMUserial::imu_calibration_data>(SET_IMU2);
    const double tolerance = 5 * kGyrNoise / std::sqrt(1000.0);
    EXPECT_NEAR(imu1.gyr_bias[0], kChip1Errors.gyrBias.x, tolerance);
    EXPECT_NEAR(imu1.gyr_bias[1], kChip1Errors.gyrBias.y, tolerance);
    EXPECT_NEAR(imu2.gyr_bias[2], kChip2Errors.gyrBias.z, tolerance);

    // Afterwards the motion resumes where it stopped, and the streamed
    // gyroscope no longer carries the bias.
    EXPECT_NEAR(module.poseAt(15.0).angles.yaw, yawAtStart, 1e-9);
    EXPECT_NE(module.poseAt(16.0).angles.yaw, yawAtStart);
    run(CMD_START_GYR_BIAS, {}, 20.0);
    run(CMD_STOP_GYR_BIAS, {}, 21.0);
    Vec3 sum;
    for (int i = 0; i < 400; ++i) {
        const auto sample = sampleAt(21.0);
        const Vec3 rate = module.poseAt(21.0).angularRate;
        sum = sum + Vec3{sample.gyr.x - rate.x, sample.gyr.y - rate.y, sample.gyr.z - rate.z};
    }
    EXPECT_LT(norm(sum * (1.0 / 400)), 0.05);
}

// With every motion and a profile of its own, the hold stills the body and the
// measurement finds the profile's bias (the matrix turns a zero rate to zero).
TEST(ModuleMotions, GyroBiasHoldAndMeasurementFollowTheProfile)
{
    ModuleSettings settings;
    settings.profile.imu1.gyr = {{1.5, -2.5, 0.5}, {{1.1, 0, 0}, {0, 0.9, 0}, {0, 0.1, 1}}, 0.01};
    for (const Motion motion :
         {Motion::Sway, Motion::Still, Motion::Tumble, Motion::Poses, Motion::Yaw}) {
        settings.motion = motion;
        Module module(StoredState{}, settings);
        module.execute(CMD_START_GYR_BIAS, nullptr, 0, 8.0);
        EXPECT_EQ(norm(module.poseAt(9.0).angularRate), 0.0);
        EXPECT_EQ(module.poseAt(9.0).orientation.x, module.poseAt(12.0).orientation.x);
        module.execute(CMD_STOP_GYR_BIAS, nullptr, 0, 13.0);
        const auto &bias = module.stored().imu1.gyr_bias;
        EXPECT_LT(norm(Vec3{bias[0] - 1.5, bias[1] + 2.5, bias[2] - 0.5}), 0.03);
    }
}

// The white noise of a streamed sample follows the rate code the host sets.
TEST(ModuleMotions, NoiseFollowsTheRateCode)
{
    ModuleSettings settings;
    settings.motion = Motion::Still;
    settings.profile.imu1.gyr.noiseDensity = 0.01;
    double sigmas[2]{};
    for (const std::uint8_t code : {1, 5}) {
        Module module(StoredState{}, settings);
        module.execute(CMD_SET_RATE, &code, 1, 0);
        double squares = 0;
        for (int i = 0; i < 4000; ++i) {
            IMUserial::sensor_data sample{};
            std::memcpy(&sample, module.record(i / kRateByCode[code]).payload.data(),
                        sizeof sample);
            squares += std::pow(sample.gyr.x - kChip1Errors.gyrBias.x, 2);
        }
        sigmas[code == 5] = std::sqrt(squares / 4000);
    }
    EXPECT_NEAR(sigmas[0], 0.01 * std::sqrt(5.0), 0.002);
    EXPECT_NEAR(sigmas[1], 0.01 * std::sqrt(200.0), 0.01);
}

TEST_F(ModuleTest, QuaternionOffsetZeroesThePresentAttitudeUntilReset)
{
    const double when = 33.0;
    EXPECT_GT(std::fabs(sampleAt(when).angle.x) + std::fabs(sampleAt(when).angle.z), 1.0);
    EXPECT_EQ(run(CMD_RECORD_QUAT_OFFSET, {}, when).status, STATUS_OK);
    const auto zeroed = sampleAt(when);
    EXPECT_NEAR(zeroed.angle.x, 0.0, 1e-3);
    EXPECT_NEAR(zeroed.angle.y, 0.0, 1e-3);
    EXPECT_NEAR(zeroed.angle.z, 0.0, 1e-3);
    EXPECT_NEAR(zeroed.quat.w, 1.0, 1e-6);
    EXPECT_EQ(run(CMD_RESET_QUAT_OFFSET).status, STATUS_OK);
    const Pose pose = module.poseAt(when);
    EXPECT_NEAR(sampleAt(when).angle.z, pose.angles.yaw, 1e-3);
}

} // namespace
} // namespace imusim
