// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/allan_deviation.h"

#include <Eigen/Core>

#include <cmath>

namespace noise {

namespace {

// The fewest clusters the longest averaging time leaves: nine samples' worth
// of record per cluster size, so the error bar stays near a quarter.
constexpr std::size_t kRecordPerCluster = 9;

bool cancelled(const std::atomic<bool> *cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Cluster sizes from 1 to `largest`, kPointsPerDecade per decade, each once.
std::vector<std::size_t> clusterSizes(std::size_t largest)
{
    std::vector<std::size_t> sizes;
    for (int step = 0;; ++step) {
        const auto size =
            std::size_t(std::llround(std::pow(10.0, double(step) / kPointsPerDecade)));
        if (size > largest)
            return sizes;
        if (sizes.empty() || size != sizes.back())
            sizes.push_back(size);
    }
}

// Running sums of the samples less their mean, S[0] = 0. Taken in long double
// and with the mean removed, each stored sum is the exact one rounded once, and
// stays small enough that differences of sums hours apart keep their digits.
Eigen::ArrayXd runningSums(const std::vector<double> &samples)
{
    long double total = 0;
    for (double x : samples)
        total += x;
    const long double mean = total / samples.size();
    Eigen::ArrayXd sums(Eigen::Index(samples.size() + 1));
    long double running = 0;
    sums[0] = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        running += samples[i] - mean;
        sums[Eigen::Index(i + 1)] = double(running);
    }
    return sums;
}

// Overlapping estimator: the mean square of the differences of adjacent
// cluster averages, over every start, halved. Cluster sums are differences of
// running sums, so one pass per cluster size.
AllanPoint point(const Eigen::ArrayXd &sums, std::size_t m, double rate)
{
    const auto size = Eigen::Index(m);
    const Eigen::Index count = sums.size() - 2 * size;
    const auto differences =
        sums.segment(2 * size, count) - 2 * sums.segment(size, count) + sums.segment(0, count);
    const double meanSquare = differences.square().sum() / double(count);
    const double deviation = std::sqrt(meanSquare / (2.0 * double(m) * double(m)));
    const double clusters = double(sums.size() - 1) / double(m);
    return {double(m) / rate, deviation, deviation / std::sqrt(2 * (clusters - 1)), m};
}

} // namespace

AllanCurve allanDeviation(const std::vector<double> &samples, double rate,
                          const std::atomic<bool> *cancel)
{
    const std::vector<std::size_t> sizes = clusterSizes(samples.size() / kRecordPerCluster);
    if (sizes.size() < 2 || rate <= 0)
        return {};
    const Eigen::ArrayXd sums = runningSums(samples);
    AllanCurve curve;
    for (std::size_t m : sizes) {
        if (cancelled(cancel))
            return {};
        curve.push_back(point(sums, m, rate));
    }
    return curve;
}

} // namespace noise
