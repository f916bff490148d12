// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_checks.h"

#include "fit_limits.h"

#include <cmath>

namespace calibration {

std::string limitRefusal(const Eigen::Vector3d &bias, const Eigen::Matrix3d &matrix, double range,
                         const char *unit, const char *whatToDo)
{
    const char *const axes = "xyz";
    for (int i = 0; i < 3; ++i) {
        if (!(std::abs(bias(i)) <= range))
            return formatText("%s: the fitted bias's %c is %.1f %s, beyond the sensor's range "
                              "of ±%.0f %s",
                              whatToDo, axes[i], bias(i), unit, range, unit);
    }
    const Eigen::Matrix3d deviation = matrix - Eigen::Matrix3d::Identity();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (!(std::abs(deviation(row, column)) <= kMostMatrixDeviation))
                return formatText("%s: the fitted matrix's entry (%c, %c) is %.2f, more than "
                                  "%.2f off the identity's",
                                  whatToDo, axes[row], axes[column], matrix(row, column),
                                  kMostMatrixDeviation);
        }
    }
    return {};
}

} // namespace calibration
