// SPDX-License-Identifier: GPL-3.0-or-later
// The plots of one chip's sensor, its three axes log-log: the Allan deviation
// with its error bars, and dashed the -1/2 line through N at tau = 1 s and the
// +1/2 line through K at tau = 3 s, each over the averaging times it was read
// from; and the spectral density.
#pragma once

#include "noise/sensor_channels.h"

#include <qcustomplot.h>

#include <vector>

namespace noise {

struct PlotRanges
{
    QCPRange tau;
    QCPRange deviation;
};

// Covering every curve of `sensor` in `all`, error bars included, so that
// both chips' plots of one sensor can be compared at a glance.
PlotRanges rangesOf(const std::vector<SensorChannels> &all, Sensor sensor);

QCustomPlot *allanPlot(const SensorChannels &channels, const PlotRanges &ranges);
QCustomPlot *spectrumPlot(const SensorChannels &channels);

} // namespace noise
