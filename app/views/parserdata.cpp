#include "parserdata.h"

#include "sampleunits.h"

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
        vectorRow("angle", sampleunits::angle, sample.angle),
        {"quat", {}, {number(q.w, 4), number(q.x, 4), number(q.y, 4), number(q.z, 4)}},
        vectorRow("gyr", sampleunits::angularRate, sample.gyr),
        vectorRow("acc", sampleunits::acceleration, sample.acc),
        vectorRow("free_acc", sampleunits::acceleration, sample.free_acc, 4),
        vectorRow("mag", sampleunits::magneticField, sample.mag),
        {"temp", QString::fromUtf8(sampleunits::temperature), {number(sample.temp, 2)}},
    };
}

} // namespace views
