// SPDX-License-Identifier: GPL-3.0-or-later
// Every field of one streamed sample as text, one row per quantity, for the
// parser-data panel.
#pragma once

#include "imuserial.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace views {

struct ParserRow
{
    QString field;
    QString unit; // empty for the unitless quaternion
    // w, x, y, z for the quaternion; x, y, z for a vector; one value for the
    // temperature.
    QStringList values;
};

// In the order angle, quat, gyr, acc, free_acc, mag, temp. Values are in
// fixed notation: 4 decimals for the quaternion and free acceleration, else 2.
std::vector<ParserRow> parserRows(const IMUserial::sensor_data &sample);

} // namespace views
