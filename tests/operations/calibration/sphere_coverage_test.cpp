#include "calibration/sphere_coverage.h"
#include "synthetic_readings.h"

#include <gtest/gtest.h>

#include <array>

namespace calibration {
namespace {

TEST(SphereCoverage, CellsShareUniformDirectionsNearlyEqually)
{
    std::array<int, kSphereCells> counts{};
    SphereCoverage coverage;
    for (const auto &direction : calibrationtest::sphereVectors(100000, 1)) {
        ++counts[SphereCoverage::cellOf(direction)];
        coverage.add(direction);
    }
    EXPECT_EQ(coverage.percent(), 100);
    for (int count : counts)
        EXPECT_NEAR(count, 1000, 250);
}

TEST(SphereCoverage, OneDirectionReachesOneCellAndZeroNone)
{
    SphereCoverage coverage;
    coverage.add(Eigen::Vector3d::Zero());
    EXPECT_EQ(coverage.percent(), 0);
    coverage.add({5, 5, 5}, {3, 3, 3});
    coverage.add({1, 1, 1});
    EXPECT_EQ(coverage.percent(), 1);
    EXPECT_TRUE(coverage.reached(SphereCoverage::cellOf({1, 1, 1})));
}

} // namespace
} // namespace calibration
