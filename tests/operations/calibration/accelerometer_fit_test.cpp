// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/accelerometer_fit.h"
#include "synthetic_readings.h"

#include <Eigen/LU>
#include <gtest/gtest.h>

namespace calibration {
namespace {

using namespace calibrationtest;

constexpr double kGravity = 9.80665;

const SensorErrors kErrorSets[] = {
    {{0.25, -0.12, 0.4}, symmetricMatrix(1.02, 0.985, 1.01, 0.004, -0.006, 0.003), 0.0005},
    {{-0.6, 0.3, -0.2}, symmetricMatrix(0.96, 1.04, 1.03, -0.01, 0.008, 0.012), 0.0008},
    {{0.05, 0.02, -0.03}, symmetricMatrix(1.005, 0.995, 0.99, 0.0, 0.002, -0.001), 0.0003},
};

// Pose means of a sensor held still with each of `ups` up.
std::vector<StillPose> posesOf(const SensorErrors &errors, const std::vector<Eigen::Vector3d> &ups)
{
    SimulatedSensor sensor(errors, 5);
    std::vector<StillPose> poses;
    for (const auto &mean : sensor.read(scaled(ups, kGravity)))
        poses.push_back({mean, 200});
    return poses;
}

class AccelerometerRecovery : public testing::TestWithParam<SensorErrors>
{
};

TEST_P(AccelerometerRecovery, TwelvePosesGiveBiasAndFullMatrix)
{
    const auto result = fitAccelerometer(posesOf(GetParam(), wantedPoseDirections()));

    ASSERT_TRUE(result.fit) << result.refusal;
    EXPECT_FALSE(result.fit->scaleOnly);
    EXPECT_LT((result.fit->bias - GetParam().bias).cwiseAbs().maxCoeff(), 0.005);
    EXPECT_LT((result.fit->matrix - GetParam().distortion.inverse()).cwiseAbs().maxCoeff(), 0.001);
    for (double errorMg : result.quality.errorAfterMg)
        EXPECT_LT(std::abs(errorMg), 3.0);
}

TEST_P(AccelerometerRecovery, SixFacesGiveBiasAndScaleOnly)
{
    const std::vector<Eigen::Vector3d> faces(wantedPoseDirections().begin(),
                                             wantedPoseDirections().begin() + 6);
    const auto result = fitAccelerometer(posesOf(GetParam(), faces));

    ASSERT_TRUE(result.fit) << result.refusal;
    EXPECT_TRUE(result.fit->scaleOnly);
    EXPECT_TRUE(result.fit->matrix.isDiagonal());
    EXPECT_EQ(result.note, "6 poses give the bias and per-axis scale only; 9 well-spread poses "
                           "give the full matrix");
}

INSTANTIATE_TEST_SUITE_P(ErrorSets, AccelerometerRecovery, testing::ValuesIn(kErrorSets));

struct RefusedPoses
{
    const char *name;
    std::vector<Eigen::Vector3d> ups;
    const char *reason;
};

class AccelerometerRefusal : public testing::TestWithParam<RefusedPoses>
{
};

TEST_P(AccelerometerRefusal, SaysWhatToDoAndGivesNoFit)
{
    const auto result = fitAccelerometer(posesOf(kErrorSets[0], GetParam().ups));

    EXPECT_FALSE(result.fit);
    EXPECT_EQ(result.refusal, GetParam().reason);
}

const std::vector<Eigen::Vector3d> kUpsInOnePlane = {
    {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, 0}};

INSTANTIATE_TEST_SUITE_P(
    Poses, AccelerometerRefusal,
    testing::Values(RefusedPoses{"TooFew",
                                 {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                 "hold the module still in more poses: 4 found, 6 needed"},
                    RefusedPoses{
                        "InOnePlane", kUpsInOnePlane,
                        "turn the module onto its other faces too: the poses' spread is 0.00, at "
                        "least 0.20 needed"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace calibration
