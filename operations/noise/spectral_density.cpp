// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/spectral_density.h"

#include <unsupported/Eigen/FFT>

#include <cmath>
#include <complex>

namespace noise {

namespace {

constexpr std::size_t kShortestSegment = 256;
constexpr std::size_t kAimedSegments = 64;

// The power of two nearest, in octaves, to the length at which half-overlapping
// segments number about kAimedSegments.
std::size_t chosenLength(std::size_t samples)
{
    const double aimed = 2.0 * double(samples) / double(kAimedSegments + 1);
    std::size_t length = kShortestSegment;
    while (double(length) * std::sqrt(2.0) < aimed)
        length *= 2;
    return length;
}

// The periodic Hann window, which overlapping by half sums to a constant.
std::vector<double> hann(std::size_t length)
{
    const double pi = std::acos(-1.0);
    std::vector<double> window(length);
    for (std::size_t n = 0; n < length; ++n)
        window[n] = 0.5 * (1 - std::cos(2 * pi * double(n) / double(length)));
    return window;
}

// One segment less its mean, windowed: its periodogram, not yet scaled.
void addPeriodogram(const double *segment, const std::vector<double> &window,
                    Eigen::FFT<double> &fft, std::vector<double> &buffer,
                    std::vector<std::complex<double>> &spectrum, std::vector<double> &sum)
{
    double mean = 0;
    for (std::size_t n = 0; n < window.size(); ++n)
        mean += segment[n];
    mean /= double(window.size());
    for (std::size_t n = 0; n < window.size(); ++n)
        buffer[n] = (segment[n] - mean) * window[n];
    fft.fwd(spectrum, buffer);
    for (std::size_t k = 0; k < sum.size(); ++k)
        sum[k] += std::norm(spectrum[k]);
}

} // namespace

Spectrum welchSpectrum(const std::vector<double> &samples, double rate, std::size_t segmentLength,
                       const std::atomic<bool> *cancel)
{
    const std::size_t length = segmentLength ? segmentLength : chosenLength(samples.size());
    if (samples.size() < length || length < 2 || rate <= 0)
        return {};
    const std::vector<double> window = hann(length);
    Eigen::FFT<double> fft;
    fft.SetFlag(Eigen::FFT<double>::HalfSpectrum);
    std::vector<double> buffer(length);
    std::vector<std::complex<double>> spectrum;
    std::vector<double> sum(length / 2 + 1, 0.0);
    const std::size_t hop = length / 2;
    std::size_t segments = 0;
    for (std::size_t start = 0; start + length <= samples.size(); start += hop, ++segments) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return {};
        addPeriodogram(samples.data() + start, window, fft, buffer, spectrum, sum);
    }
    double windowPower = 0;
    for (double w : window)
        windowPower += w * w;
    // One-sided: every bin but 0 and the Nyquist frequency holds both signs'.
    Spectrum out{std::vector<double>(sum.size()), std::vector<double>(sum.size())};
    for (std::size_t k = 0; k < sum.size(); ++k) {
        const bool folded = k != 0 && 2 * k != length;
        out.frequency[k] = double(k) * rate / double(length);
        out.density[k] = (folded ? 2 : 1) * sum[k] / (double(segments) * rate * windowPower);
    }
    return out;
}

} // namespace noise
