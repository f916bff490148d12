// SPDX-License-Identifier: GPL-3.0-or-later
// The share of the readings kept for drawing: bounded, evenly spread over the
// whole run, while every reading stays for the fit.
#include "calibration/collected_readings.h"

#include <gtest/gtest.h>

class ThinnedPoints : public ::testing::TestWithParam<std::size_t>
{
};

TEST_P(ThinnedPoints, DrawsABoundedEvenShareAndKeepsEveryPoint)
{
    const std::size_t count = GetParam();
    calibration::ThinnedPoints points;
    for (std::size_t i = 0; i < count; ++i)
        points.add({double(i), 0, 0});

    const std::vector<Eigen::Vector3d> &drawn = points.drawn();
    EXPECT_EQ(points.all().size(), count);
    ASSERT_LE(drawn.size(), calibration::kMostDrawnPoints);
    EXPECT_GE(drawn.size(), std::min(count, calibration::kMostDrawnPoints / 2));
    const double step = drawn.size() > 1 ? drawn[1].x() - drawn[0].x() : 1;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        ASSERT_EQ(drawn[i].x(), double(i) * step) << i;
    EXPECT_GT(drawn.back().x() + step, double(count - 1)) << "reaches the end of the run";
}

INSTANTIATE_TEST_SUITE_P(, ThinnedPoints, ::testing::Values(1, 4999, 5000, 5001, 12345, 40000));
