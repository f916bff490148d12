// SPDX-License-Identifier: GPL-3.0-or-later
// Gyroscope-bias calibration: the mean of the raw gyroscope readings of both
// chips while the body is at rest.
#pragma once

#include "rotation.h"

#include <cstddef>

namespace imusim {

class GyroBiasEstimator
{
public:
    void add(const Vec3 &chip1, const Vec3 &chip2);
    std::size_t count() const { return count_; }
    Vec3 chip1Bias() const;
    Vec3 chip2Bias() const;

private:
    Vec3 sum1_;
    Vec3 sum2_;
    std::size_t count_ = 0;
};

// The rate at which each chip samples internally, samples per second.
inline constexpr double kChipInternalRate = 200.0;

// How many rest samples a calibration of `seconds` averages: the chips' 200 Hz
// internal rate, at least a small minimum.
std::size_t biasSampleCount(double seconds);

} // namespace imusim
