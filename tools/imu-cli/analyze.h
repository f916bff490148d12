// SPDX-License-Identifier: GPL-3.0-or-later
// The noise analysis of a still recording (docs/noise-analysis.md): the Allan
// deviation and noise parameters of each chip, sensor and axis, and one chip's
// noise written as a Kalibr IMU file.
#pragma once

#include "invocation.h"
#include "outcome.h"

#include <optional>

namespace cli {

struct NoiseRequest
{
    QString file;
    std::optional<double> rate; // samples per second; none: from the time column
    QString kalibr;             // the IMU file to write; empty: none
    int chip = 1;               // whose noise the IMU file holds
};

Outcome analyzeNoise(const NoiseRequest &request, const Console &console);

} // namespace cli
