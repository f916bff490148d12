#include "sampletext.h"

#include "displaymodes.h"

#include <initializer_list>

namespace sampletext {

namespace {

enum MessageMode
{
    Angle = 1,
    Gyr,
    Acc,
    Mag,
    FreeAcc,
    Quaternion,
    Temperature
};

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

QString sampleLine(int messageMode, const IMUserial::sensor_data &sample)
{
    const QString format = displaymodes::messageFormatFor(messageMode);
    switch (messageMode) {
    case Gyr:
        return tripleLine(format, sample.gyr);
    case Acc:
        return tripleLine(format, sample.acc);
    case Mag:
        return tripleLine(format, sample.mag);
    case FreeAcc:
        return tripleLine(format, sample.free_acc, 4);
    case Quaternion:
        return fillTemplate(format, {sample.quat.w, sample.quat.x, sample.quat.y, sample.quat.z},
                            2);
    case Temperature:
        return fillTemplate(format, {sample.temp}, 2);
    case Angle:
    default:
        return tripleLine(format, sample.angle);
    }
}

IMUserial::vec3 plottedTriple(int graphMode, const IMUserial::sensor_data &sample)
{
    switch (graphMode) {
    case Gyr:
        return sample.gyr;
    case Acc:
        return sample.acc;
    case Mag:
        return sample.mag;
    case FreeAcc:
        return sample.free_acc;
    case Angle:
    default:
        return sample.angle;
    }
}

QString angleText(double angle)
{
    return QString::number(angle, 'f', 2);
}

} // namespace sampletext
