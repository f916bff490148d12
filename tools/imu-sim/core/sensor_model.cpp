#include "sensor_model.h"

#include <cmath>

namespace imusim {

SensorModel::SensorModel(std::uint32_t seed) : random_(seed) {}

ChipReading SensorModel::chip(Chip which, const Pose &pose, double uptime)
{
    const ChipErrors &errors = errorsOf(which);
    ChipReading reading;
    reading.gyr = pose.angularRate + errors.gyrBias + noise(kGyrNoise);
    reading.acc = specificForce(pose) + errors.accBias + noise(kAccNoise);
    const Vec3 angleNoise = noise(kAngleNoise);
    reading.angles = {pose.angles.roll + angleNoise.x, pose.angles.pitch + angleNoise.y,
                      pose.angles.yaw + angleNoise.z};
    reading.temperature = moduleTemperature(uptime) + errors.temperatureOffset;
    return reading;
}

Vec3 SensorModel::magnetometer(const Pose &pose)
{
    return rotateToBody(pose.orientation, kEarthField) + kMagOffset + noise(kMagNoise);
}

Vec3 SensorModel::noise(double sigma)
{
    return Vec3{normal_(random_), normal_(random_), normal_(random_)} * sigma;
}

Vec3 specificForce(const Pose &pose)
{
    return rotateToBody(pose.orientation, pose.linearAcceleration + Vec3{0, 0, kGravity});
}

double moduleTemperature(double uptime)
{
    constexpr double kTwoPi = 6.28318530717958647692;
    return 24.0 + 6.0 * (1.0 - std::exp(-uptime / 300.0)) + 0.3 * std::sin(kTwoPi * uptime / 120.0);
}

const ChipErrors &errorsOf(Chip which)
{
    return which == Chip::First ? kChip1Errors : kChip2Errors;
}

} // namespace imusim
