// SPDX-License-Identifier: GPL-3.0-or-later
// The module's three calibration sets as a JSON document, so that a set read
// from one module can be kept, edited and written to another:
//
//   {"imu1": {"gyr_bias": [3], "gyr_mis": [9], "acc_bias": [3], "acc_mis": [9]},
//    "imu2": {...the same...},
//    "mag":  {"mag_bias": [3], "mag_mis": [9], "mag_radii": [3]}}
//
// Matrices are row-major. Every value written reads back as the same float.
#pragma once

#include "calibration/calibration_sets.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace calibration {

QByteArray toJson(const Sets &sets);

// One set's object, and a document of only the sets present (what a fit
// changed), in the same shape.
QJsonObject imuObject(const IMUserial::imu_calibration_data &set);
QJsonObject magObject(const IMUserial::mag_calibration_data &set);
QJsonObject presentSetsObject(const StoredSets &sets);

struct Parsed
{
    std::optional<Sets> sets;
    QString error; // why there are no sets, in one line
};

// Accepts exactly the shape above: every set and field present, each array
// of its length, every value a finite number within float range. Other keys
// are ignored.
Parsed fromJson(const QByteArray &text);

} // namespace calibration
