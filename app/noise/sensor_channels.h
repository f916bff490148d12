// SPDX-License-Identifier: GPL-3.0-or-later
// An analysis seen per chip and sensor, as the noise window shows it: one tab
// each, its three axes, and the units its parameters are given in.
#pragma once

#include "noise/noise_analysis.h"

#include <QString>

#include <array>
#include <vector>

namespace noise {

struct SensorChannels
{
    int chip = 1;
    Sensor sensor = Sensor::Gyroscope;
    std::vector<const ChannelAnalysis *> axes; // x, y, z as analysed
};

// In the order the analysis has them; points into `analysis`.
std::vector<SensorChannels> bySensor(const Analysis &analysis);

// "Chip 1 gyroscope"
QString titleOf(const SensorChannels &channels);
// "gyroscope"
QString sensorName(Sensor sensor);
// "x", "y", "z"
QString axisName(int axis);

struct SensorUnits
{
    QString reading; // the readings and the Allan deviation, "deg/s"
    QString white;   // N, "deg/s/√Hz"
    QString walk;    // K, "deg/s/√s"
};

SensorUnits unitsOf(Sensor sensor);

} // namespace noise
