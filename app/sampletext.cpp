#include "sampletext.h"

#include <initializer_list>

namespace sampletext {

using displaymodes::DisplayMode;

namespace {

QString fillTemplate(const QString &format, std::initializer_list<float> values, int decimals)
{
    QString line = format;
    for (const float value : values)
        line = line.arg(QString::number(static_cast<double>(value), 'f', decimals), -8, QChar(' '));
    return line;
}

QString tripleLine(const QString &format, const IMUserial::vec3 &v, int decimals = 2)
{
    return fillTemplate(format, {v.x, v.y, v.z}, decimals);
}

} // namespace

QString sampleLine(DisplayMode messageMode, const IMUserial::sensor_data &sample)
{
    const QString format = displaymodes::messageFormatFor(messageMode);
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

} // namespace sampletext
