// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/parser_data.h"

#include "stream/sample_units.h"

namespace views {
namespace {

QString number(float value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

ParserRow vectorRow(const char *field, const char *unit, const IMUserial::vec3 &v, int decimals = 2)
{
    return {field,
            QString::fromUtf8(unit),
            {number(v.x, decimals), number(v.y, decimals), number(v.z, decimals)}};
}

} // namespace

std::vector<ParserRow> parserRows(const IMUserial::sensor_data &sample)
{
    const IMUserial::quaternion &q = sample.quat;
    return {
        vectorRow("angle", stream::kAngleUnit, sample.angle),
        {"quat", {}, {number(q.w, 4), number(q.x, 4), number(q.y, 4), number(q.z, 4)}},
        vectorRow("gyr", stream::kAngularRateUnit, sample.gyr),
        vectorRow("acc", stream::kAccelerationUnit, sample.acc),
        vectorRow("free_acc", stream::kAccelerationUnit, sample.free_acc, 4),
        vectorRow("mag", stream::kMagneticFieldUnit, sample.mag),
        {"temp", QString::fromUtf8(stream::kTemperatureUnit), {number(sample.temp, 2)}},
    };
}

} // namespace views
