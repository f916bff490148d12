// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/still_poses.h"
#include "synthetic_readings.h"

#include <gtest/gtest.h>

namespace calibration {
namespace {

using namespace calibrationtest;

TEST(StillPoses, FindsEachHeldPoseOnceAndAddsRevisitsToIt)
{
    SimulatedSensor sensor({{0.15, -0.1, 0.2}, Eigen::Matrix3d::Identity() * 1.02, 0.02}, 11);
    std::vector<Eigen::Vector3d> truths = scaled(wantedPoseDirections(), 9.81);
    truths.push_back(truths.front());
    // 3 s still and 1 s of handling per pose: four one-second windows, three still.
    const auto poses = findStillPoses(sensor.stream(truths, 200, 3, 1), 200);

    ASSERT_EQ(poses.size(), 12u);
    EXPECT_EQ(poses.front().samples, 1200u);
    for (std::size_t i = 0; i < poses.size(); ++i) {
        EXPECT_LT((poses[i].mean - (1.02 * truths[i] + Eigen::Vector3d(0.15, -0.1, 0.2))).norm(),
                  0.01);
        EXPECT_TRUE(wantedDirectionReached(poses, i));
    }
    EXPECT_GT(poseSpread(poses), 0.9);
}

} // namespace
} // namespace calibration
