// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/sensor_channels.h"

#include <algorithm>

namespace noise {

std::vector<SensorChannels> bySensor(const Analysis &analysis)
{
    std::vector<SensorChannels> sensors;
    for (const ChannelAnalysis &channel : analysis.channels) {
        auto found = std::find_if(sensors.begin(), sensors.end(), [&](const SensorChannels &s) {
            return s.chip == channel.chip && s.sensor == channel.sensor;
        });
        if (found == sensors.end())
            found = sensors.insert(sensors.end(), {channel.chip, channel.sensor, {}});
        found->axes.push_back(&channel);
    }
    return sensors;
}

QString sensorName(Sensor sensor)
{
    return sensor == Sensor::Gyroscope ? QStringLiteral("gyroscope")
                                       : QStringLiteral("accelerometer");
}

QString titleOf(const SensorChannels &channels)
{
    return QStringLiteral("Chip %1 %2").arg(channels.chip).arg(sensorName(channels.sensor));
}

QString axisName(int axis)
{
    return QString(QChar('x' + axis));
}

SensorUnits unitsOf(Sensor sensor)
{
    const QString reading =
        sensor == Sensor::Gyroscope ? QStringLiteral("deg/s") : QStringLiteral("m/s²");
    return {reading, reading + QStringLiteral("/√Hz"), reading + QStringLiteral("/√s")};
}

} // namespace noise
