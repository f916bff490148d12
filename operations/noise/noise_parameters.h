// SPDX-License-Identifier: GPL-3.0-or-later
// The noise parameters read off an Allan deviation curve (the methods are in
// docs/noise-analysis.md): white-noise density N from the slope -1/2 line at
// tau = 1 s, bias instability B from the flat minimum over 0.664, and random
// walk K from the slope +1/2 line at tau = 3 s. A parameter the curve does not
// show (too short a record, no such region) is not resolved rather than
// guessed. Qt-free.
#pragma once

#include "allan_deviation.h"

#include <optional>
#include <string>

namespace noise {

struct ReadParameter
{
    // In the channel's unit times s^(1/2) for N (unit/sqrt(Hz)), the unit for
    // B, the unit over s^(1/2) for K (unit/s/sqrt(Hz)); empty: not resolved.
    std::optional<double> value;
    double tauFrom = 0; // the averaging times it was read from, seconds
    double tauTo = 0;
    std::string notResolved; // why not, when there is no value
};

struct NoiseParameters
{
    ReadParameter whiteNoise;      // N
    ReadParameter biasInstability; // B
    double biasInstabilityTau = 0; // where the minimum lies, seconds
    ReadParameter randomWalk;      // K
};

NoiseParameters readNoiseParameters(const AllanCurve &curve);

} // namespace noise
