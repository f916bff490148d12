// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_analysis.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

namespace {

using namespace noise;

constexpr double kRate = 200;

std::vector<Channel> fourChannels()
{
    std::vector<Channel> channels;
    for (int i = 0; i < 4; ++i)
        channels.push_back({1 + i / 2, i % 2 ? Sensor::Accelerometer : Sensor::Gyroscope, i % 3,
                            noisetest::stillReadings({0.01, 0, 0}, kRate, 60, unsigned(i))});
    return channels;
}

TEST(NoiseAnalysisTest, AnalysesEveryChannelInOrderReportingProgressUpToAll)
{
    const std::vector<Channel> channels = fourChannels();
    std::vector<double> shares;
    const Analysis analysis =
        analyse(channels, kRate, {[&](double done) { shares.push_back(done); }, nullptr, 2});
    ASSERT_EQ(analysis.channels.size(), channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const ChannelAnalysis &a = analysis.channels[i];
        EXPECT_EQ(channelName(a.chip, a.sensor, a.axis),
                  channelName(channels[i].chip, channels[i].sensor, channels[i].axis));
        EXPECT_TRUE(a.parameters.whiteNoise.value && !a.spectrum.density.empty()) << i;
    }
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_DOUBLE_EQ(shares.back(), 1);
}

TEST(NoiseAnalysisTest, ACancelledAnalysisGivesNoChannel)
{
    const std::atomic<bool> cancel{true};
    const Analysis analysis = analyse(fourChannels(), kRate, {{}, &cancel, 2});
    EXPECT_TRUE(analysis.cancelled && analysis.channels.empty());
}

} // namespace
