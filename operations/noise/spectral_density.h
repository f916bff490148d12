// SPDX-License-Identifier: GPL-3.0-or-later
// One-sided power spectral density of a channel by Welch's method: Hann
// windowed segments overlapping by half, their periodograms averaged. Qt-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace noise {

struct Spectrum
{
    std::vector<double> frequency; // Hz, from 0 to rate / 2
    std::vector<double> density;   // unit^2 / Hz
};

// `segmentLength` 0 chooses a power of two giving about 64 segments, at least
// 256 samples. Empty for fewer samples than one segment or when cancelled.
Spectrum welchSpectrum(const std::vector<double> &samples, double rate,
                       std::size_t segmentLength = 0, const std::atomic<bool> *cancel = nullptr);

} // namespace noise
