// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_model.h"

#include <algorithm>
#include <cmath>

namespace imusim {

SensorModel::SensorModel(const SensorProfile &profile, std::uint32_t seed)
    : profile_(profile), random_(seed)
{
}

ChipReading SensorModel::chip(Chip which, const Pose &pose, double uptime, double sampleRate)
{
    const ChipProfile &profile = which == Chip::First ? profile_.imu1 : profile_.imu2;
    BiasWalk &walk = walks_[which == Chip::First ? 0 : 1];
    const double elapsed = std::max(0.0, uptime - walk.at);
    walk.at = std::max(walk.at, uptime);
    const Vec3 gyrWalk = walked(walk.gyr, profile.gyr.biasWalk, elapsed);
    const Vec3 accWalk = walked(walk.acc, profile.acc.biasWalk, elapsed);

    ChipReading reading;
    reading.gyr = profile.gyr.matrix * pose.angularRate + profile.gyr.bias + gyrWalk +
                  whiteNoise(profile.gyr, kGyrNoise, sampleRate);
    reading.acc = profile.acc.matrix * specificForce(pose) + profile.acc.bias + accWalk +
                  whiteNoise(profile.acc, kAccNoise, sampleRate);
    const Vec3 angleNoise = noise(kAngleNoise);
    reading.angles = {pose.angles.roll + angleNoise.x, pose.angles.pitch + angleNoise.y,
                      pose.angles.yaw + angleNoise.z};
    reading.temperature = moduleTemperature(uptime) + errorsOf(which).temperatureOffset;
    return reading;
}

Vec3 SensorModel::magnetometer(const Pose &pose)
{
    const MagnetometerProfile &mag = profile_.mag;
    return mag.softIron * rotateToBody(pose.orientation, profile_.earthField) + mag.hardIron +
           noise(mag.noise);
}

// A random walk seen at intervals of `seconds` grows by walk * sqrt(seconds) *
// N(0, 1) each time: walk / sqrt(rate) per sample at a steady rate. Nothing is
// drawn without a walk, so a profile without one keeps the noise sequence.
Vec3 SensorModel::walked(Vec3 &offset, double walk, double seconds)
{
    if (walk > 0 && seconds > 0)
        offset = offset + noise(walk * std::sqrt(seconds));
    return offset;
}

Vec3 SensorModel::whiteNoise(const AxisErrors &errors, double fixedSigma, double sampleRate)
{
    return noise(errors.noiseDensity ? *errors.noiseDensity * std::sqrt(sampleRate) : fixedSigma);
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
    const double twoPi = 6.28318530717958647692;
    return 24.0 + 6.0 * (1.0 - std::exp(-uptime / 300.0)) + 0.3 * std::sin(twoPi * uptime / 120.0);
}

const ChipErrors &errorsOf(Chip which)
{
    return which == Chip::First ? kChip1Errors : kChip2Errors;
}

} // namespace imusim
