// SPDX-License-Identifier: GPL-3.0-or-later
// A still simulated module's raw readings analysed as a recording of it would
// be: the Allan deviation gives back the white-noise densities and bias
// walks its profile sets, for both chips, which differ.
#include "core/module.h"
#include "core/sensor_profile.h"
#include "noise/recording_channels.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr double kRate = 200;
constexpr std::uint8_t kRateCode200Hz = 5;
constexpr double kHour = 3600;

// Densities whose random walk shows within an hour: the +1/2 slope begins
// where K * sqrt(tau / 3) passes N / sqrt(tau), at tau = 3 N / K = 1.5 s.
constexpr char kProfile[] = R"({
    "imu1": {"gyr_noise_density": 0.01, "gyr_bias_walk": 0.02,
             "acc_noise_density": 0.002, "acc_bias_walk": 0.004},
    "imu2": {"gyr_noise_density": 0.004, "gyr_bias_walk": 0.008,
             "acc_noise_density": 0.005, "acc_bias_walk": 0.01}})";

recording::csv::ReadTables stillRecording(const imusim::SensorProfile &profile, double seconds)
{
    imusim::ModuleSettings settings;
    settings.profile = profile;
    settings.motion = imusim::Motion::Still;
    imusim::Module module(imusim::StoredState{}, settings);
    module.execute(imuproto::CMD_SET_RATE, &kRateCode200Hz, 1, 0);
    module.execute(imuproto::CMD_ENTER_CALIBRATION, nullptr, 0, 0);
    recording::csv::ReadTables tables;
    const auto count = std::size_t(seconds * kRate);
    tables.calibration.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        recording::CalibrationRecord &record = tables.calibration[i];
        record.index = i;
        record.seconds = double(i) / kRate;
        const imusim::Record sent = module.record(record.seconds);
        std::memcpy(&record.data, sent.payload.data(), sizeof record.data);
    }
    return tables;
}

const imusim::AxisErrors &errorsOf(const imusim::SensorProfile &profile,
                                   const noise::ChannelAnalysis &channel)
{
    const imusim::ChipProfile &chip = channel.chip == 1 ? profile.imu1 : profile.imu2;
    return channel.sensor == noise::Sensor::Gyroscope ? chip.gyr : chip.acc;
}

TEST(NoiseModel, AllanDeviationGivesBackTheProfilesDensitiesAndWalks)
{
    const imusim::ProfileReading profile = imusim::readSensorProfile(kProfile);
    ASSERT_TRUE(profile.profile) << profile.error;
    const noise::ChannelsRead read = noise::channelsOf(stillRecording(*profile.profile, kHour));
    ASSERT_TRUE(read.recorded) << read.error.toStdString();
    EXPECT_NEAR(read.recorded->rate, kRate, 1e-6);

    const noise::Analysis analysis = noise::analyse(read.recorded->channels, kRate);
    ASSERT_EQ(analysis.channels.size(), 12u);
    for (const noise::ChannelAnalysis &channel : analysis.channels) {
        SCOPED_TRACE(noise::channelName(channel.chip, channel.sensor, channel.axis));
        const imusim::AxisErrors &errors = errorsOf(*profile.profile, channel);
        const noise::NoiseParameters &p = channel.parameters;
        ASSERT_TRUE(p.whiteNoise.value && p.randomWalk.value)
            << p.whiteNoise.notResolved << p.randomWalk.notResolved;
        EXPECT_NEAR(*p.whiteNoise.value, *errors.noiseDensity, 0.1 * *errors.noiseDensity);
        EXPECT_NEAR(*p.randomWalk.value, errors.biasWalk, 0.1 * errors.biasWalk);
    }
}

} // namespace
