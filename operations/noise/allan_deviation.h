// SPDX-License-Identifier: GPL-3.0-or-later
// The overlapping Allan deviation of one channel of a still module's readings,
// at log-spaced averaging times, each with its error bar. The method, the
// error formula and their sources are in docs/noise-analysis.md. Qt-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace noise {

// Averaging times per decade, from one sample to a ninth of the record.
inline constexpr int kPointsPerDecade = 10;

struct AllanPoint
{
    double tau = 0;              // averaging time, seconds
    double deviation = 0;        // Allan deviation, in the channel's unit
    double error = 0;            // one-sigma uncertainty of `deviation`, same unit
    std::size_t clusterSize = 0; // samples averaged
};

using AllanCurve = std::vector<AllanPoint>;

// `samples` are equally spaced at `rate` samples per second. O(N) per
// averaging time from cumulative sums. Empty for fewer than 18 samples or when
// `cancel` was set while it ran.
AllanCurve allanDeviation(const std::vector<double> &samples, double rate,
                          const std::atomic<bool> *cancel = nullptr);

} // namespace noise
