// SPDX-License-Identifier: GPL-3.0-or-later
// Readings of a still sensor with known noise: white noise of density N
// (unit/sqrt(Hz)) and a rate random walk of K (unit/s/sqrt(Hz)), for the noise
// analysis' tests and bench.
#pragma once

#include <cmath>
#include <random>
#include <vector>

namespace noisetest {

struct KnownNoise
{
    double whiteNoise = 0; // N
    double randomWalk = 0; // K
    double bias = 0;
};

inline std::vector<double> stillReadings(const KnownNoise &noise, double rate, double seconds,
                                         unsigned seed)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal;
    // Per sample: white noise of variance N^2 * rate, the walk's steps K^2 / rate.
    const double white = noise.whiteNoise * std::sqrt(rate);
    const double step = noise.randomWalk / std::sqrt(rate);
    std::vector<double> samples(std::size_t(seconds * rate));
    double walk = noise.bias;
    for (double &sample : samples) {
        sample = walk + white * normal(random);
        walk += step * normal(random);
    }
    return samples;
}

} // namespace noisetest
