// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated body and sensors must agree with one another, or a host that
// cross-checks fields (attitude against gravity, gyroscope against attitude
// change) would be tested against nonsense.
#include "core/module_state.h"
#include "core/motion_model.h"
#include "core/records.h"
#include "core/rotation.h"
#include "core/sensor_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace imusim {
namespace {

Vec3 toVec(const IMUserial::vec3 &v)
{
    return {v.x, v.y, v.z};
}

// Rotation angle between two attitudes, in degrees; well conditioned near zero.
double angleBetween(const Quat &a, const Quat &b)
{
    const Quat d = conjugate(a) * b;
    return 2 * std::atan2(norm({d.x, d.y, d.z}), std::fabs(d.w)) * 180.0 / 3.14159265358979323846;
}

TEST(Rotation, EulerRoundTripsAndMatchesAxisRotations)
{
    for (const EulerAngles angles : {EulerAngles{10, -20, 170}, EulerAngles{-179, 89, -45},
                                     EulerAngles{0, 0, 0}, EulerAngles{33, -5, -120}}) {
        const EulerAngles back = eulerFromQuaternion(quaternionFromEuler(angles));
        EXPECT_NEAR(back.roll, angles.roll, 1e-6);
        EXPECT_NEAR(back.pitch, angles.pitch, 1e-6);
        EXPECT_NEAR(back.yaw, angles.yaw, 1e-6);
    }
    // Yaw 90 degrees turns the body's x axis to the world's y axis.
    const Vec3 x = rotateToWorld(quaternionFromEuler({0, 0, 90}), {1, 0, 0});
    EXPECT_NEAR(x.y, 1.0, 1e-12);
    // Pitching the nose up lets the body see gravity's reaction along -x.
    const Vec3 up = rotateToBody(quaternionFromEuler({0, 30, 0}), {0, 0, 1});
    EXPECT_NEAR(up.x, -0.5, 1e-12);
}

constexpr Motion kMotions[]{Motion::Sway, Motion::Still, Motion::Tumble, Motion::Poses,
                            Motion::Yaw};

TEST(MotionModel, GyroscopeRateIntegratesToTheAttitudeChange)
{
    for (const Motion motion : kMotions)
        for (double t = 0.05; t < 70; t += 0.65) {
            constexpr double step = 1e-4;
            const Pose before = poseOf(motion, t);
            const Vec3 &rate = before.angularRate;
            // Small rotation about the body rate, applied in the body frame.
            const double half = 0.5 * step * 3.14159265358979323846 / 180.0;
            const Quat turn{1, rate.x * half, rate.y * half, rate.z * half};
            EXPECT_LT(angleBetween(before.orientation * turn, poseOf(motion, t + step).orientation),
                      2e-5)
                << static_cast<int>(motion) << " " << t;
            EXPECT_NEAR(norm({before.orientation.x, before.orientation.y, before.orientation.z}),
                        std::sqrt(1 - before.orientation.w * before.orientation.w), 1e-9);
            const Vec3 up = rotateToWorld(before.orientation, {0, 0, 1});
            EXPECT_TRUE(motion == Motion::Sway || norm(before.linearAcceleration) == 0.0);
            EXPECT_TRUE(motion != Motion::Yaw || norm(up - Vec3{0, 0, 1}) < 1e-12);
            EXPECT_TRUE(motion != Motion::Tumble || norm(rate) < 51.0);
        }
}

TEST(MotionModel, StillAndPosesHoldTheirAttitudesWithoutRate)
{
    std::vector<Vec3> ups;
    for (int pose = 0; pose < kPoseCount; ++pose) {
        const double start = pose * (kPoseHoldSeconds + kPoseTurnSeconds);
        const Pose first = poseOf(Motion::Poses, start);
        for (const auto &[motion, t] : std::vector<std::pair<Motion, double>>{
                 {Motion::Poses, start + kPoseHoldSeconds}, {Motion::Still, start * 7}}) {
            const Pose held = poseOf(motion, t);
            EXPECT_EQ(norm(held.angularRate), 0.0);
            EXPECT_LT(angleBetween(held.orientation, poseOf(motion, start).orientation), 1e-9);
        }
        const Vec3 up = rotateToBody(first.orientation, {0, 0, 1});
        for (const Vec3 &earlier : ups)
            EXPECT_LT(dot(up, earlier), std::cos(40.0 * 3.14159265358979323846 / 180)) << pose;
        ups.push_back(up);
    }
}

// Cells of nearly equal area: the nearest of 100 centres on a Fibonacci sphere.
std::size_t cellOf(const Vec3 &direction)
{
    std::size_t nearest = 0;
    double best = -2;
    for (std::size_t i = 0; i < 100; ++i) {
        const double z = 1 - (2.0 * i + 1) / 100;
        const double turn = 2.39996322972865332 * static_cast<double>(i);
        const Vec3 centre{std::sqrt(1 - z * z) * std::cos(turn),
                          std::sqrt(1 - z * z) * std::sin(turn), z};
        if (dot(centre, direction) > best) {
            best = dot(centre, direction);
            nearest = i;
        }
    }
    return nearest;
}

TEST(MotionModel, TumbleTurnsGravityAndTheFieldThroughEveryDirection)
{
    for (const double start : {0.0, 47.0}) {
        std::set<std::size_t> gravity, field;
        for (double t = 0; t <= 60; t += 0.1) {
            const Quat q = poseOf(Motion::Tumble, start + t).orientation;
            gravity.insert(cellOf(rotateToBody(q, {0, 0, 1})));
            field.insert(cellOf(rotateToBody(q, kEarthField)));
            if (std::fabs(t - 30) < 0.05) {
                EXPECT_GE(gravity.size(), 60u) << start;
                EXPECT_GE(field.size(), 60u) << start;
            }
        }
        EXPECT_GE(gravity.size(), 90u) << start;
        EXPECT_GE(field.size(), 90u) << start;
    }
}

TEST(SensorModel, ReadingsFollowThePoseWithEachChipsErrors)
{
    SensorModel sensors({}, 7);
    const Pose pose = heldStill(movingPose(5.0));
    Vec3 sum1, sum2, magSum;
    constexpr int count = 4000;
    for (int i = 0; i < count; ++i) {
        sum1 = sum1 + sensors.chip(Chip::First, pose, 10, 100).gyr;
        sum2 = sum2 + sensors.chip(Chip::Second, pose, 10, 100).gyr;
        magSum = magSum + sensors.magnetometer(pose);
    }
    const Vec3 mean1 = sum1 * (1.0 / count);
    const Vec3 mean2 = sum2 * (1.0 / count);
    EXPECT_LT(norm(mean1 - kChip1Errors.gyrBias), 0.01);
    EXPECT_LT(norm(mean2 - kChip2Errors.gyrBias), 0.01);
    const Vec3 field = magSum * (1.0 / count) - kMagOffset;
    EXPECT_NEAR(norm(field), norm(kEarthField), 0.1);

    const ChipReading one = sensors.chip(Chip::First, pose, 10, 100);
    EXPECT_NEAR(norm(one.acc), kGravity, 0.2);
    EXPECT_NE(one.temperature, sensors.chip(Chip::Second, pose, 10, 100).temperature);
}

TEST(SensorModel, RawReadingsAreTheMatrixTimesTheTruthPlusTheBias)
{
    SensorProfile profile;
    profile.imu2.acc = {
        {0.1, -0.2, 0.3}, {{1.01, 0.02, 0}, {0, 0.98, -0.01}, {0.03, 0, 1.02}}, 0.0};
    profile.imu2.gyr = {{1, 2, 3}, {{0.99, 0, 0.01}, {0.02, 1.03, 0}, {0, -0.01, 1}}, 0.0};
    profile.mag = {{5, 6, 7}, {{1.1, 0.05, 0}, {0.05, 0.9, 0}, {0, 0, 1.05}}, 0.0};
    profile.earthField = fieldOf(50, 60);
    SensorModel sensors(profile, 1);
    const Pose pose = poseOf(Motion::Tumble, 12.3);
    const ChipReading chip = sensors.chip(Chip::Second, pose, 1, 100);
    const Vec3 acc = profile.imu2.acc.matrix * specificForce(pose) + profile.imu2.acc.bias;
    const Vec3 gyr = profile.imu2.gyr.matrix * pose.angularRate + profile.imu2.gyr.bias;
    const Vec3 mag =
        profile.mag.softIron * rotateToBody(pose.orientation, {25, 0, -25 * std::sqrt(3.0)}) +
        profile.mag.hardIron;
    EXPECT_LT(norm(chip.acc - acc), 1e-9);
    EXPECT_LT(norm(chip.gyr - gyr), 1e-9);
    EXPECT_LT(norm(sensors.magnetometer(pose) - mag), 1e-9);
}

TEST(SensorModel, WhiteNoiseOfASampleIsTheDensityTimesTheRootOfTheRate)
{
    SensorProfile profile;
    profile.imu1.gyr.noiseDensity = 0.01;
    for (const double rate : {50.0, 800.0}) {
        SensorModel sensors(profile, 3);
        const Pose pose = poseOf(Motion::Still, 0);
        double sum = 0, squares = 0;
        constexpr int count = 20000;
        for (int i = 0; i < count; ++i) {
            const double x = sensors.chip(Chip::First, pose, i / rate, rate).gyr.x;
            sum += x;
            squares += x * x;
        }
        const double sigma = std::sqrt(squares / count - sum * sum / count / count);
        EXPECT_NEAR(sigma / (0.01 * std::sqrt(rate)), 1.0, 0.03) << rate;
    }
}

TEST(SensorModel, BiasWalkGrowsWithTheRootOfTime)
{
    SensorProfile profile;
    profile.imu1.acc = {{}, {}, 0.0, 0.002};
    const Pose pose = poseOf(Motion::Still, 0);
    const Vec3 truth = specificForce(pose);
    double squares[2]{};
    constexpr int runs = 300;
    for (std::uint32_t seed = 1; seed <= runs; ++seed) {
        SensorModel sensors(profile, seed);
        for (int i = 1; i <= 1600; ++i) {
            const double x = sensors.chip(Chip::First, pose, i / 100.0, 100).acc.x - truth.x;
            if (i == 100 || i == 1600)
                squares[i == 1600] += x * x;
        }
    }
    EXPECT_NEAR(std::sqrt(squares[0] / runs) / 0.002, 1.0, 0.15);
    EXPECT_NEAR(std::sqrt(squares[1] / runs) / (0.002 * 4), 1.0, 0.15);
}

TEST(SensorModel, TemperatureDriftsSlowly)
{
    double previous = moduleTemperature(0);
    for (double t = 0.1; t < 1200; t += 0.1) {
        const double now = moduleTemperature(t);
        EXPECT_LT(std::fabs(now - previous), 0.01) << t;
        previous = now;
    }
    EXPECT_GT(moduleTemperature(1200), moduleTemperature(0) + 4.0);
}

TEST(Records, SampleFieldsAreConsistentWithOneAnother)
{
    SensorModel sensors({}, 3);
    StoredState stored;
    const Pose pose = movingPose(17.5);
    const ChipReading chip = sensors.chip(Chip::First, pose, 17.5, 100);
    const auto sample = makeSample(pose, chip, sensors.magnetometer(pose), stored);

    const Quat q{sample.quat.w, sample.quat.x, sample.quat.y, sample.quat.z};
    EXPECT_NEAR(std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z), 1.0, 1e-6);
    const Quat fromAngles = quaternionFromEuler({sample.angle.x, sample.angle.y, sample.angle.z});
    EXPECT_LT(angleBetween(q, fromAngles), 1e-3);

    // Free acceleration is the accelerometer turned to the world, less gravity.
    const Vec3 expected = rotateToWorld(q, toVec(sample.acc)) - Vec3{0, 0, kGravity};
    EXPECT_LT(norm(toVec(sample.free_acc) - expected), 1e-4);
    EXPECT_LT(norm(toVec(sample.free_acc) - pose.linearAcceleration), 0.2);
}

TEST(Records, StoredCalibrationAndOffsetCorrectTheSample)
{
    SensorModel sensors({}, 5);
    const Pose pose = heldStill(movingPose(9.0));
    StoredState stored;
    for (int i = 0; i < 3; ++i)
        stored.imu1.gyr_bias[i] = static_cast<float>((&kChip1Errors.gyrBias.x)[i]);
    stored.quaternionOffset = pose.orientation;
    const auto sample = makeSample(pose, sensors.chip(Chip::First, pose, 9, 100),
                                   sensors.magnetometer(pose), stored);
    EXPECT_LT(norm(toVec(sample.gyr)), 5 * kGyrNoise);
    EXPECT_NEAR(sample.angle.x, 0.0, 1e-4);
    EXPECT_NEAR(sample.angle.y, 0.0, 1e-4);
    EXPECT_NEAR(sample.angle.z, 0.0, 1e-4);
    EXPECT_NEAR(sample.quat.w, 1.0, 1e-6);
    // The world-frame free acceleration ignores the host's offset.
    EXPECT_LT(norm(toVec(sample.free_acc)), 0.2);
}

TEST(Records, CalibrationSampleShowsBothChipsRaw)
{
    SensorModel sensors({}, 11);
    const Pose pose = heldStill(movingPose(2.0));
    const auto sample =
        makeCalibrationSample(sensors.chip(Chip::First, pose, 2, 100),
                              sensors.chip(Chip::Second, pose, 2, 100), sensors.magnetometer(pose));
    EXPECT_GT(norm(toVec(sample.gyr1) - toVec(sample.gyr2)), 0.3); // different biases
    EXPECT_NEAR(sample.angle1.x, pose.angles.roll, 0.5);
    EXPECT_NEAR(sample.angle2.y, pose.angles.pitch, 0.5);
    EXPECT_NEAR(sample.temp2 - sample.temp1, kChip2Errors.temperatureOffset, 1e-4);
}

} // namespace
} // namespace imusim
