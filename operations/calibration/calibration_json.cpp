// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace calibration {

namespace {

template <std::size_t N> QJsonArray array(const float (&values)[N])
{
    QJsonArray out;
    for (float value : values)
        out.append(double(value));
    return out;
}

} // namespace

QJsonObject imuObject(const IMUserial::imu_calibration_data &set)
{
    return {{"gyr_bias", array(set.gyr_bias)},
            {"gyr_mis", array(set.gyr_mis)},
            {"acc_bias", array(set.acc_bias)},
            {"acc_mis", array(set.acc_mis)}};
}

QJsonObject magObject(const IMUserial::mag_calibration_data &set)
{
    return {{"mag_bias", array(set.mag_bias)},
            {"mag_mis", array(set.mag_mis)},
            {"mag_radii", array(set.mag_radii)}};
}

QJsonObject presentSetsObject(const StoredSets &sets)
{
    QJsonObject root;
    if (sets.imu1)
        root["imu1"] = imuObject(*sets.imu1);
    if (sets.imu2)
        root["imu2"] = imuObject(*sets.imu2);
    if (sets.mag)
        root["mag"] = magObject(*sets.mag);
    return root;
}

namespace {

// Reads fields of one set; the first problem found is kept.
class Reader
{
public:
    explicit Reader(QString &error) : error(error) {}

    QJsonObject object(const QJsonObject &parent, const QString &key)
    {
        const QJsonValue value = parent.value(key);
        if (!value.isObject())
            fail(QStringLiteral("\"%1\" must be an object").arg(key));
        return value.toObject();
    }

    template <std::size_t N>
    void floats(const QJsonObject &set, const QString &setName, const QString &key, float (&out)[N])
    {
        const QString name = setName + '.' + key;
        const QJsonValue value = set.value(key);
        const QJsonArray values = value.toArray();
        if (!value.isArray() || values.size() != qsizetype(N))
            return fail(QStringLiteral("\"%1\" must be an array of %2 numbers").arg(name).arg(N));
        for (std::size_t i = 0; i < N; ++i) {
            const double number = values.at(qsizetype(i)).toDouble(std::nan(""));
            if (!std::isfinite(number) || std::abs(number) > std::numeric_limits<float>::max())
                return fail(
                    QStringLiteral("\"%1\" holds a value that is not a finite float").arg(name));
            out[i] = float(number);
        }
    }

    void imu(const QJsonObject &root, const QString &name, IMUserial::imu_calibration_data &set)
    {
        const QJsonObject object = this->object(root, name);
        floats(object, name, "gyr_bias", set.gyr_bias);
        floats(object, name, "gyr_mis", set.gyr_mis);
        floats(object, name, "acc_bias", set.acc_bias);
        floats(object, name, "acc_mis", set.acc_mis);
    }

    void mag(const QJsonObject &root, IMUserial::mag_calibration_data &set)
    {
        const QString name = QStringLiteral("mag");
        const QJsonObject object = this->object(root, name);
        floats(object, name, "mag_bias", set.mag_bias);
        floats(object, name, "mag_mis", set.mag_mis);
        floats(object, name, "mag_radii", set.mag_radii);
    }

private:
    void fail(const QString &problem)
    {
        if (error.isEmpty())
            error = problem;
    }

    QString &error;
};

} // namespace

QByteArray toJson(const Sets &sets)
{
    const QJsonObject root{{"imu1", imuObject(sets.imu1)},
                           {"imu2", imuObject(sets.imu2)},
                           {"mag", magObject(sets.mag)}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Parsed fromJson(const QByteArray &text)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, "not JSON: " + parseError.errorString()};
    if (!document.isObject())
        return {std::nullopt, QStringLiteral("the document must be an object")};
    Parsed parsed;
    Sets sets{};
    Reader reader(parsed.error);
    reader.imu(document.object(), "imu1", sets.imu1);
    reader.imu(document.object(), "imu2", sets.imu2);
    reader.mag(document.object(), sets.mag);
    if (parsed.error.isEmpty())
        parsed.sets = sets;
    return parsed;
}

} // namespace calibration
