// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace live {

using stream::DisplayMode;

namespace {

// Each value fills at least this many characters, left-aligned.
constexpr std::size_t kFieldWidth = 8;

// Writes `value` in fixed notation with `decimals` digits exactly as
// QString::number(value, 'f', decimals) does, without allocating: halves round
// away from zero, zero has no sign, and NaN is "nan". Returns the length.
std::size_t formatFixed(float value, int decimals, char *out, std::size_t capacity)
{
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
    double exact = value == 0 ? 0.0 : double(value);
    // A float times 10^4 or less is exact in a double, so a half is seen
    // exactly and pushed one step away from zero before rounding.
    const double scaled = std::fabs(exact) * std::pow(10.0, decimals);
    if (std::isfinite(scaled) && scaled - std::floor(scaled) == 0.5)
        exact = std::nextafter(exact, exact < 0 ? -HUGE_VAL : HUGE_VAL);
    return std::to_chars(out, out + capacity, exact, std::chars_format::fixed, decimals).ptr - out;
}

void appendField(QString &line, float value, int decimals)
{
    // The largest float has 39 integer digits; with sign, point and decimals
    // this leaves room to spare.
    char digits[64];
    const std::size_t length = formatFixed(value, decimals, digits, sizeof digits);
    line.append(QLatin1String(digits, qsizetype(length)));
    for (std::size_t i = length; i < kFieldWidth; ++i)
        line.append(QLatin1Char(' '));
}

// Fills "%1".."%n" of the template with the values in one pass, so the line is
// the only allocation per sample.
QString fillTemplate(const char *format, std::initializer_list<float> values, int decimals)
{
    QString line;
    line.reserve(qsizetype(std::strlen(format) + values.size() * 2 * kFieldWidth));
    for (const char *c = format; *c; ++c) {
        const std::size_t index =
            c[0] == '%' && c[1] >= '1' ? std::size_t(c[1] - '1') : values.size();
        if (index < values.size()) {
            appendField(line, values.begin()[index], decimals);
            ++c;
        } else {
            line.append(QLatin1Char(*c));
        }
    }
    return line;
}

QString tripleLine(const char *format, const IMUserial::vec3 &v, int decimals = 2)
{
    return fillTemplate(format, {v.x, v.y, v.z}, decimals);
}

} // namespace

QString sampleLine(DisplayMode messageMode, const IMUserial::sensor_data &sample)
{
    const char *format = stream::messageTemplateFor(messageMode);
    switch (messageMode) {
    case DisplayMode::Gyr:
        return tripleLine(format, sample.gyr);
    case DisplayMode::Acc:
        return tripleLine(format, sample.acc);
    case DisplayMode::Mag:
        return tripleLine(format, sample.mag);
    case DisplayMode::FreeAcc:
        return tripleLine(format, sample.free_acc, 4);
    case DisplayMode::Quaternion:
        return fillTemplate(format, {sample.quat.w, sample.quat.x, sample.quat.y, sample.quat.z},
                            2);
    case DisplayMode::Temperature:
        return fillTemplate(format, {sample.temp}, 2);
    case DisplayMode::Angle:
    default:
        return tripleLine(format, sample.angle);
    }
}

IMUserial::vec3 plottedTriple(DisplayMode graphMode, const IMUserial::sensor_data &sample)
{
    switch (graphMode) {
    case DisplayMode::Gyr:
        return sample.gyr;
    case DisplayMode::Acc:
        return sample.acc;
    case DisplayMode::Mag:
        return sample.mag;
    case DisplayMode::FreeAcc:
        return sample.free_acc;
    case DisplayMode::Angle:
    default:
        return sample.angle;
    }
}

QString angleText(double angle)
{
    return QString::number(angle, 'f', 2);
}

} // namespace live
