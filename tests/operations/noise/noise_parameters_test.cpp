// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/allan_deviation.h"
#include "noise/noise_parameters.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

namespace {

using namespace noise;

constexpr double kRate = 200;
// White noise and random walk cross at tau = sqrt(3) N / K = 1 s.
constexpr noisetest::KnownNoise kBoth{0.005, 0.005 * 1.7320508, 0.2};

struct Record
{
    const char *name;
    noisetest::KnownNoise noise;
    double seconds;
    bool whiteNoise, floor, randomWalk; // which the record resolves
};

using NoiseParametersTest = testing::TestWithParam<Record>;

void expectRead(const ReadParameter &read, bool resolved, double expected)
{
    if (!resolved) {
        EXPECT_FALSE(read.value) << read.value.value_or(0);
        EXPECT_FALSE(read.notResolved.empty());
        return;
    }
    ASSERT_TRUE(read.value) << read.notResolved;
    EXPECT_NEAR(*read.value / expected, 1, 0.1);
}

TEST_P(NoiseParametersTest, ReadsWhatTheRecordShowsAndNothingElse)
{
    const Record &record = GetParam();
    const auto &[n, k, bias] = record.noise;
    const NoiseParameters read = readNoiseParameters(
        allanDeviation(noisetest::stillReadings(record.noise, kRate, record.seconds, 3), kRate));
    expectRead(read.whiteNoise, record.whiteNoise, n);
    // The curve's minimum, sqrt(2 N K / sqrt(3)), over the flicker floor's 0.664.
    expectRead(read.biasInstability, record.floor, std::sqrt(2 * n * k / std::sqrt(3.0)) / 0.664);
    expectRead(read.randomWalk, record.randomWalk, k);
}

INSTANTIATE_TEST_SUITE_P(
    Records, NoiseParametersTest,
    testing::Values(Record{"TwoHours", kBoth, 7200, true, true, true},
                    Record{"TwentySeconds", kBoth, 20, true, false, false},
                    Record{"WhiteNoiseOnly", {0.005, 0, 0}, 3600, true, false, false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
