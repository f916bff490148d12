// SPDX-License-Identifier: GPL-3.0-or-later
// The whole analysis of a still recording: for each chip, sensor and axis the
// Allan deviation, the noise parameters read from it and the spectrum,
// channels analysed in parallel, with progress and cancel. Qt-free.
#pragma once

#include "allan_deviation.h"
#include "noise_parameters.h"
#include "spectral_density.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace noise {

enum class Sensor
{
    Gyroscope,     // deg/s
    Accelerometer, // m/s^2
};

// One axis of one sensor of one chip, as recorded.
struct Channel
{
    int chip = 1; // 1 or 2
    Sensor sensor = Sensor::Gyroscope;
    int axis = 0; // 0 x, 1 y, 2 z
    std::vector<double> samples;
};

struct ChannelAnalysis
{
    int chip = 1;
    Sensor sensor = Sensor::Gyroscope;
    int axis = 0;
    AllanCurve curve;
    NoiseParameters parameters;
    Spectrum spectrum;
};

struct Analysis
{
    double rate = 0;                       // samples per second
    double seconds = 0;                    // length of the record
    std::vector<ChannelAnalysis> channels; // in the order given
    bool cancelled = false;                // then no channel is given
};

struct AnalysisControl
{
    // Called from worker threads with the share done, 0 to 1.
    std::function<void(double done)> progress;
    const std::atomic<bool> *cancel = nullptr;
    unsigned threads = 0; // 0: as many as the machine has
};

Analysis analyse(const std::vector<Channel> &channels, double rate,
                 const AnalysisControl &control = {});

// "gyr1_x" and the like, for tables and keys.
std::string channelName(int chip, Sensor sensor, int axis);
// "deg/s", "m/s^2": the readings' unit.
const char *unitOf(Sensor sensor);

} // namespace noise
