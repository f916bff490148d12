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

TEST(MotionModel, GyroscopeRateIntegratesToTheAttitudeChange)
{
    for (double t : {0.0, 3.7, 12.25, 41.0}) {
        constexpr double step = 1e-3;
        const Pose before = movingPose(t);
        const Pose after = movingPose(t + step);
        const Vec3 &rate = before.angularRate;
        // Small rotation about the body rate, applied in the body frame.
        const double half = 0.5 * step * 3.14159265358979323846 / 180.0;
        const Quat turn{1, rate.x * half, rate.y * half, rate.z * half};
        EXPECT_LT(angleBetween(before.orientation * turn, after.orientation), 1e-4) << t;
        EXPECT_NEAR(
            std::hypot(before.orientation.w,
                       norm({before.orientation.x, before.orientation.y, before.orientation.z})),
            1.0, 1e-12);
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
