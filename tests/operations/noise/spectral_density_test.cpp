// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/spectral_density.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace noise;

// One-sided: white noise of density N (unit/sqrt(Hz)) in the Allan sense lies
// at 2 N^2, its two-sided density N^2 folded onto the positive frequencies.
TEST(SpectralDensityTest, WhiteNoiseIsFlatAtTwiceTheSquareOfItsDensity)
{
    const double rate = 200, density = 0.01;
    const Spectrum spectrum =
        welchSpectrum(noisetest::stillReadings({density, 0, 5}, rate, 600, 11), rate);
    ASSERT_GT(spectrum.density.size(), 1000u);
    EXPECT_DOUBLE_EQ(spectrum.frequency.back(), rate / 2);
    const auto half = std::ptrdiff_t(spectrum.density.size() / 2);
    for (auto from : {spectrum.density.begin() + 1, spectrum.density.begin() + half}) {
        const double mean = std::accumulate(from, from + half - 1, 0.0) / double(half - 1);
        EXPECT_NEAR(mean / (2 * density * density), 1, 0.03);
    }
}

} // namespace
