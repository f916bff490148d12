// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/allan_deviation.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

namespace {

using namespace noise;
using noisetest::KnownNoise;

constexpr double kRate = 200;

// N / sqrt(tau) and K sqrt(tau / 3) together, with what sampling the walk adds
// at the shortest clusters.
double closedForm(const KnownNoise &n, double tau)
{
    return std::sqrt(n.whiteNoise * n.whiteNoise / tau +
                     n.randomWalk * n.randomWalk * (tau / 3 + 1 / (6 * tau * kRate * kRate)));
}

struct Record
{
    const char *name;
    KnownNoise noise;
    double seconds;
};

using AllanClosedFormTest = testing::TestWithParam<Record>;

TEST_P(AllanClosedFormTest, NineInTenPointsLieWithinTwoErrorBars)
{
    const Record &record = GetParam();
    const auto samples = noisetest::stillReadings(record.noise, kRate, record.seconds, 1);
    const AllanCurve curve = allanDeviation(samples, kRate);
    ASSERT_GT(curve.size(), 40u);
    EXPECT_EQ(curve.front().clusterSize, 1u);
    EXPECT_LE(curve.back().clusterSize * 9, samples.size());
    std::size_t within = 0;
    for (const AllanPoint &p : curve)
        within += std::abs(p.deviation - closedForm(record.noise, p.tau)) <= 2 * p.error;
    EXPECT_GE(within, 0.9 * double(curve.size()));
}

INSTANTIATE_TEST_SUITE_P(Noise, AllanClosedFormTest,
                         testing::Values(Record{"WhiteNoise", {0.01, 0, 3}, 1800},
                                         Record{"RandomWalk", {0, 0.002, 0}, 3600}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AllanDeviationTest, NoCurveFromTooFewSamplesOrWhenCancelled)
{
    const std::atomic<bool> cancel{true};
    EXPECT_TRUE(allanDeviation(std::vector<double>(17, 1.0), kRate).empty());
    EXPECT_EQ(allanDeviation(std::vector<double>(18, 1.0), kRate).size(), 2u);
    EXPECT_TRUE(allanDeviation(std::vector<double>(1000, 1.0), kRate, &cancel).empty());
}

} // namespace
