// SPDX-License-Identifier: GPL-3.0-or-later
// What the chart draws of a replayed recording for a visible range: every
// sample inside it, and a bounded number of points for any length.
#include "chart/recording_curves.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RecordingCurves, AVisibleRangeHoldsEverySampleInItAndTheWholeIsBounded)
{
    // An hour at 200 samples/s, more than is ever drawn sample by sample.
    constexpr std::size_t kSamples = 720'000;
    std::vector<recording::SampleRecord> samples(kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        samples[i].index = i;
        samples[i].seconds = double(i) / 200;
        samples[i].data.angle.x = float(std::sin(double(i) * 0.001) * 90);
    }
    const chart::RecordingCurves curves(samples, stream::DisplayMode::Angle);
    struct Range
    {
        double lower, upper;
        bool everySample;
    };
    for (const Range r : {Range{0, 60, true}, Range{1800, 1830.5, true}, Range{3590, 3600, true},
                          Range{0, 3600, false}}) {
        const QVector<QCPGraphData> points = curves.pointsFor(0, r.lower, r.upper);
        EXPECT_LT(points.size(), 2 * (chart::RecordingCurves::kCoarseBuckets +
                                      chart::RecordingCurves::kFineBuckets) +
                                     chart::RecordingCurves::kMostSamplesDrawn)
            << r.lower;
        EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                                   [](const auto &a, const auto &b) { return a.key < b.key; }));
        if (!r.everySample)
            continue;
        auto point =
            std::lower_bound(points.begin(), points.end(), r.lower,
                             [](const QCPGraphData &p, double key) { return p.key < key; });
        const std::size_t last = std::min(kSamples - 1, std::size_t(r.upper * 200));
        for (std::size_t i = std::size_t(std::ceil(r.lower * 200)); i <= last; ++i, ++point) {
            ASSERT_NE(point, points.end()) << r.lower;
            ASSERT_EQ(point->key, samples[i].seconds) << r.lower;
            ASSERT_EQ(point->value, samples[i].data.angle.x) << i;
        }
    }
}
