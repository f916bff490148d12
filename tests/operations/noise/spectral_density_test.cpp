#include "noise/spectral_density.h"
#include "synthetic_noise.h"

#include <gtest/gtest.h>

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
    const std::size_t half = spectrum.density.size() / 2;
    for (std::size_t from : {std::size_t(1), half}) {
        double sum = 0;
        for (std::size_t k = from; k < from + half - 1; ++k)
            sum += spectrum.density[k];
        EXPECT_NEAR(sum / double(half - 1) / (2 * density * density), 1, 0.03) << from;
    }
}

} // namespace
