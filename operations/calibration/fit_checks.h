// SPDX-License-Identifier: GPL-3.0-or-later
// The checks both fits make of their result against fit_limits.h, and the
// wording of their refusals. Qt-free.
#pragma once

#include <Eigen/Core>

#include <cstdio>
#include <string>

namespace calibration {

// printf-style formatting into a std::string, for the refusals' numbers.
template <typename... Values> std::string formatText(const char *format, Values... values)
{
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(std::size_t(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

// Why the fitted set cannot be a sensor's calibration: an entry of `matrix`
// off the identity's by more than kMostMatrixDeviation, or a component of
// `bias` beyond `range`; prefixed by `whatToDo`. Empty when within the limits.
std::string limitRefusal(const Eigen::Vector3d &bias, const Eigen::Matrix3d &matrix, double range,
                         const char *unit, const char *whatToDo);

} // namespace calibration
