// SPDX-License-Identifier: GPL-3.0-or-later
// The quality figures of a fit as the operator reads them and as the command
// line's JSON holds them (names in docs/cli.md).
#pragma once

#include "calibration/accelerometer_fit.h"
#include "calibration/fitted_sets.h"
#include "calibration/magnetometer_fit.h"

#include <QJsonObject>
#include <QString>

namespace calibration {

QJsonObject qualityObject(const MagnetometerQuality &quality);
QJsonObject qualityObject(const AccelerometerQuality &quality);

// One line each: "12000 readings, 78 % of directions covered, condition 3.1;
// |B| spread 14.2 % before, 0.41 % after".
QString qualityText(const MagnetometerQuality &quality);
QString qualityText(const AccelerometerQuality &quality);

// What writing a fit achieved, in one sentence.
QString writtenText(FittedWrite result);

// The worst |a| - g of the poses, mg; 0 without poses.
double worstErrorMg(const std::vector<double> &errorsMg);

} // namespace calibration
