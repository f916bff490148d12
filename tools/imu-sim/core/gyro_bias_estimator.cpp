// SPDX-License-Identifier: GPL-3.0-or-later
#include "gyro_bias_estimator.h"

#include <algorithm>
#include <cmath>

namespace imusim {

void GyroBiasEstimator::add(const Vec3 &chip1, const Vec3 &chip2)
{
    sum1_ = sum1_ + chip1;
    sum2_ = sum2_ + chip2;
    ++count_;
}

Vec3 GyroBiasEstimator::chip1Bias() const
{
    return count_ ? sum1_ * (1.0 / static_cast<double>(count_)) : Vec3{};
}

Vec3 GyroBiasEstimator::chip2Bias() const
{
    return count_ ? sum2_ * (1.0 / static_cast<double>(count_)) : Vec3{};
}

std::size_t biasSampleCount(double seconds)
{
    const double minimum = 50.0;
    const double maximum = 12000.0;
    return static_cast<std::size_t>(
        std::clamp(std::round(seconds * kChipInternalRate), minimum, maximum));
}

} // namespace imusim
