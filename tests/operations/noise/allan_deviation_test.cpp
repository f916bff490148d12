#include "noise/allan_deviation.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

namespace {

using namespace noise;
using noisetest::KnownNoise;

constexpr double kRate = 200;

struct ClosedForm
{
    const char *name;
    KnownNoise noise;
    double seconds;
    double (*deviation)(const KnownNoise &, double tau);
};

class AllanClosedFormTest : public testing::TestWithParam<ClosedForm>
{
};

TEST_P(AllanClosedFormTest, NineInTenPointsLieWithinTwoErrorBars)
{
    const ClosedForm &form = GetParam();
    const auto samples = noisetest::stillReadings(form.noise, kRate, form.seconds, 1);
    const AllanCurve curve = allanDeviation(samples, kRate);
    ASSERT_GT(curve.size(), 40u);
    EXPECT_EQ(curve.front().clusterSize, 1u);
    EXPECT_LE(curve.back().clusterSize * 9, samples.size());
    std::size_t within = 0;
    for (const AllanPoint &p : curve)
        within += std::abs(p.deviation - form.deviation(form.noise, p.tau)) <= 2 * p.error;
    EXPECT_GE(within, 0.9 * double(curve.size()));
}

double whiteNoise(const KnownNoise &n, double tau)
{
    return n.whiteNoise / std::sqrt(tau);
}

// K sqrt(tau / 3), with what sampling the walk adds at the shortest clusters.
double randomWalk(const KnownNoise &n, double tau)
{
    return n.randomWalk * std::sqrt(tau / 3 + 1 / (6 * tau * kRate * kRate));
}

INSTANTIATE_TEST_SUITE_P(Noise, AllanClosedFormTest,
                         testing::Values(ClosedForm{"WhiteNoise", {0.01, 0, 3}, 1800, whiteNoise},
                                         ClosedForm{"RandomWalk", {0, 0.002, 0}, 3600, randomWalk}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AllanDeviationTest, NoCurveFromTooFewSamplesOrWhenCancelled)
{
    const std::atomic<bool> cancel{true};
    EXPECT_TRUE(allanDeviation(std::vector<double>(17, 1.0), kRate).empty());
    EXPECT_EQ(allanDeviation(std::vector<double>(18, 1.0), kRate).size(), 2u);
    EXPECT_TRUE(allanDeviation(std::vector<double>(1000, 1.0), kRate, &cancel).empty());
}

} // namespace
