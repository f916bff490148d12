// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/magnetometer_fit.h"
#include "synthetic_readings.h"

#include <Eigen/LU>
#include <gtest/gtest.h>

namespace calibration {
namespace {

using namespace calibrationtest;

constexpr double kField = 48.0; // micro tesla
const MagnetometerOptions kFieldGiven{kField};

const SensorErrors kErrorSets[] = {
    {{20, -35, 12}, symmetricMatrix(1.08, 0.93, 1.02, 0.03, -0.02, 0.01), 0.3},
    {{-150, 80, 300}, symmetricMatrix(1.2, 0.85, 1.1, 0.08, 0.05, -0.06), 0.3},
    {{4, 6, -5}, symmetricMatrix(0.95, 1.05, 0.9, -0.04, 0.0, 0.05), 0.1},
};

class MagnetometerRecovery : public testing::TestWithParam<SensorErrors>
{
};

TEST_P(MagnetometerRecovery, RecoversBiasAndMapsOntoTheFieldSphere)
{
    SimulatedSensor sensor(GetParam(), 7);
    const MagnetometerResult result =
        fitMagnetometer(sensor.read(sphereVectors(2000, kField)), kFieldGiven);

    ASSERT_TRUE(result.fit) << result.refusal;
    EXPECT_LT((result.fit->bias - GetParam().bias).cwiseAbs().maxCoeff(), 0.5);
    EXPECT_LT((result.fit->matrix - GetParam().distortion.inverse()).cwiseAbs().maxCoeff(), 0.01);
    EXPECT_GT(result.quality.spreadBeforePercent, 3.0);
    EXPECT_LT(*result.quality.spreadAfterPercent, 1.0);
    EXPECT_GT(result.quality.coveragePercent, 95.0);
}

INSTANTIATE_TEST_SUITE_P(ErrorSets, MagnetometerRecovery, testing::ValuesIn(kErrorSets));

struct RefusedReadings
{
    const char *name;
    std::vector<Eigen::Vector3d> truths;
    double sensorScale;
    const char *reason;
};

class MagnetometerRefusal : public testing::TestWithParam<RefusedReadings>
{
};

TEST_P(MagnetometerRefusal, SaysWhatToDoAndGivesNoFit)
{
    SensorErrors errors = kErrorSets[0];
    errors.distortion *= GetParam().sensorScale;
    SimulatedSensor sensor(errors, 3);
    const MagnetometerResult result = fitMagnetometer(sensor.read(GetParam().truths), kFieldGiven);

    EXPECT_FALSE(result.fit);
    EXPECT_EQ(result.refusal, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, MagnetometerRefusal,
    testing::Values(
        RefusedReadings{"TooFew", sphereVectors(80, kField), 1,
                        "collect longer: 80 readings, 200 needed"},
        RefusedReadings{"YawOnly", yawOnlyVectors(500, kField), 1,
                        "turn the module about its other axes too: 24 % of directions "
                        "covered, 60 % needed"},
        RefusedReadings{"StillModule", std::vector<Eigen::Vector3d>(500, {kField, 0, 0}), 1,
                        "turn the module about its other axes too: 0 % of directions "
                        "covered, 60 % needed"},
        RefusedReadings{"SensorReadsDouble", sphereVectors(2000, kField), 2,
                        "check the field strength given and keep magnets and iron away from "
                        "the module, then collect again: the fitted matrix's entry (x, x) is "
                        "0.46, more than 0.30 off the identity's"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace calibration
