// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the sensor profile reader: it must never crash, it
// either reads a profile or says why not, and a profile it reads gives finite
// readings.
#include "core/sensor_model.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool finite(const imusim::Vec3 &v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace imusim;
    const ProfileReading reading =
        readSensorProfile(std::string(reinterpret_cast<const char *>(data), size));
    require(reading.profile.has_value() == reading.error.empty());
    if (!reading.profile)
        return 0;
    SensorModel sensors(*reading.profile, 1);
    const Pose pose = poseOf(Motion::Tumble, 3.0);
    for (const double uptime : {1.0, 2.0}) {
        const ChipReading chip = sensors.chip(Chip::Second, pose, uptime, 200.0);
        require(finite(chip.acc) && finite(chip.gyr));
    }
    require(finite(sensors.magnetometer(pose)));
    return 0;
}
