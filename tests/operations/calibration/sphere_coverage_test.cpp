// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/sphere_coverage.h"
#include "synthetic_readings.h"

#include <gtest/gtest.h>

namespace calibration {
namespace {

TEST(SphereCoverage, UniformDirectionsReachEveryCellNearlyEqually)
{
    std::vector<int> counts(kSphereCells);
    SphereCoverage coverage;
    for (const auto &direction : calibrationtest::sphereVectors(100000, 1)) {
        ++counts[SphereCoverage::cellOf(direction)];
        coverage.add(direction);
    }
    EXPECT_EQ(coverage.percent(), 100);
    for (int count : counts)
        EXPECT_NEAR(count, 1000, 250);
}

} // namespace
} // namespace calibration
