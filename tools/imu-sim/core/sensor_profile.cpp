// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace imusim {

namespace {

// Far beyond any profile; keeps a wrong file (a device, a recording) out.
constexpr std::streamsize kMostProfileBytes = 1 << 20;

// Thrown by the readers below and caught at the top: the field and what is wrong.
struct Refusal
{
    std::string text;
};

[[noreturn]] void refuse(const std::string &field, const std::string &problem)
{
    throw Refusal{field + ": " + problem};
}

struct Range
{
    double low;
    double high;
};

constexpr Range kMatrixEntry{-2.0, 2.0};
// Far below any real sensor's matrix, whose determinant is near 1.
constexpr double kLeastDeterminant = 0.1;
constexpr Range kStrength{0.01, 1000.0};               // micro tesla
constexpr Range kInclination{-90.0, 90.0};             // degrees
constexpr Range kHardIron{-1300.0, 1300.0};            // the magnetometer's range, micro tesla
constexpr Range kMagNoiseRange{0.0, 100.0};            // micro tesla
constexpr Range kAccBias{-16 * 9.80665, 16 * 9.80665}; // the accelerometer's range, m/s^2
constexpr Range kGyrBias{-2000.0, 2000.0};             // the gyroscope's range, deg/s
constexpr Range kAccDensity{0.0, 1.0};                 // m/s^2/sqrt(Hz)
constexpr Range kGyrDensity{0.0, 10.0};                // deg/s/sqrt(Hz)
constexpr Range kAccWalk{0.0, 1.0};                    // m/s^3/sqrt(Hz)
constexpr Range kGyrWalk{0.0, 10.0};                   // deg/s^2/sqrt(Hz)

std::string numberText(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

double numberAt(const QJsonValue &value, const std::string &field, Range range)
{
    if (!value.isDouble())
        refuse(field, "expected a number");
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < range.low || number > range.high)
        refuse(field, numberText(number) + " is outside " + numberText(range.low) + " to " +
                          numberText(range.high));
    return number;
}

Vec3 vectorAt(const QJsonValue &value, const std::string &field, Range range,
              const std::string &shape = "expected 3 numbers")
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != 3)
        refuse(field, shape);
    for (const QJsonValue &entry : array)
        if (!entry.isDouble())
            refuse(field, shape);
    return {numberAt(array[0], field, range), numberAt(array[1], field, range),
            numberAt(array[2], field, range)};
}

Mat3 matrixAt(const QJsonValue &value, const std::string &field)
{
    const std::string shape = "expected 3 rows of 3 numbers";
    const QJsonArray rows = value.toArray();
    if (!value.isArray() || rows.size() != 3)
        refuse(field, shape);
    const Mat3 matrix{vectorAt(rows[0], field, kMatrixEntry, shape),
                      vectorAt(rows[1], field, kMatrixEntry, shape),
                      vectorAt(rows[2], field, kMatrixEntry, shape)};
    if (std::fabs(determinant(matrix)) < kLeastDeterminant)
        refuse(field, "nearly singular (determinant " + numberText(determinant(matrix)) + ")");
    return matrix;
}

// The object `field`, refusing a key it does not know, so a misspelt one is
// not silently ignored.
QJsonObject objectAt(const QJsonValue &value, const std::string &field,
                     const std::set<std::string> &keys)
{
    if (!value.isObject())
        refuse(field, "expected an object");
    const QJsonObject object = value.toObject();
    const std::string prefix = field.empty() ? std::string() : field + ".";
    for (const QString &key : object.keys())
        if (keys.count(key.toStdString()) == 0)
            refuse(prefix + key.toStdString(), "unknown key");
    return object;
}

void readField(const QJsonValue &value, Vec3 &field)
{
    const QJsonObject object = objectAt(value, "field", {"strength_uT", "inclination_deg"});
    const double defaultStrength = norm(kEarthField);
    const double defaultInclination =
        std::atan2(-kEarthField.z, kEarthField.x) * 180.0 / 3.14159265358979323846;
    const double strength = object.contains("strength_uT")
                                ? numberAt(object["strength_uT"], "field.strength_uT", kStrength)
                                : defaultStrength;
    const double inclination =
        object.contains("inclination_deg")
            ? numberAt(object["inclination_deg"], "field.inclination_deg", kInclination)
            : defaultInclination;
    field = fieldOf(strength, inclination);
}

void readMagnetometer(const QJsonValue &value, MagnetometerProfile &mag)
{
    const QJsonObject object = objectAt(value, "mag", {"hard_iron_uT", "soft_iron", "noise_uT"});
    if (object.contains("hard_iron_uT"))
        mag.hardIron = vectorAt(object["hard_iron_uT"], "mag.hard_iron_uT", kHardIron);
    if (object.contains("soft_iron"))
        mag.softIron = matrixAt(object["soft_iron"], "mag.soft_iron");
    if (object.contains("noise_uT"))
        mag.noise = numberAt(object["noise_uT"], "mag.noise_uT", kMagNoiseRange);
}

struct AxisLimits
{
    Range bias;
    Range density;
    Range walk;
};

// The fields "<axis>_bias", "<axis>_matrix", "<axis>_noise_density" and
// "<axis>_bias_walk" of one chip's object.
void readAxis(const QJsonObject &object, const std::string &chip, const std::string &axis,
              AxisLimits limits, AxisErrors &errors)
{
    const auto key = [&](const char *name) { return QString::fromStdString(axis + name); };
    const auto field = [&](const char *name) { return chip + "." + axis + name; };
    if (object.contains(key("_bias")))
        errors.bias = vectorAt(object[key("_bias")], field("_bias"), limits.bias);
    if (object.contains(key("_matrix")))
        errors.matrix = matrixAt(object[key("_matrix")], field("_matrix"));
    if (object.contains(key("_noise_density")))
        errors.noiseDensity =
            numberAt(object[key("_noise_density")], field("_noise_density"), limits.density);
    if (object.contains(key("_bias_walk")))
        errors.biasWalk = numberAt(object[key("_bias_walk")], field("_bias_walk"), limits.walk);
}

void readChip(const QJsonValue &value, const std::string &chip, ChipProfile &profile)
{
    const QJsonObject object =
        objectAt(value, chip,
                 {"acc_bias", "acc_matrix", "acc_noise_density", "acc_bias_walk", "gyr_bias",
                  "gyr_matrix", "gyr_noise_density", "gyr_bias_walk"});
    readAxis(object, chip, "acc", {kAccBias, kAccDensity, kAccWalk}, profile.acc);
    readAxis(object, chip, "gyr", {kGyrBias, kGyrDensity, kGyrWalk}, profile.gyr);
}

SensorProfile profileFrom(const QJsonValue &document)
{
    const QJsonObject object = objectAt(document, "", {"field", "mag", "imu1", "imu2"});
    SensorProfile profile;
    if (object.contains("field"))
        readField(object["field"], profile.earthField);
    if (object.contains("mag"))
        readMagnetometer(object["mag"], profile.mag);
    if (object.contains("imu1"))
        readChip(object["imu1"], "imu1", profile.imu1);
    if (object.contains("imu2"))
        readChip(object["imu2"], "imu2", profile.imu2);
    return profile;
}

} // namespace

ProfileReading readSensorProfile(const std::string &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, "not JSON: " + parseError.errorString().toStdString() + " at byte " +
                                  std::to_string(parseError.offset)};
    if (!document.isObject())
        return {std::nullopt, "expected an object"};
    try {
        return {profileFrom(document.object()), {}};
    } catch (const Refusal &refusal) {
        return {std::nullopt, refusal.text};
    }
}

ProfileReading loadSensorProfile(const std::string &path)
{
    const std::string prefix = "sensor profile " + path + ": ";
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {std::nullopt, prefix + std::strerror(errno)};
    std::string text(static_cast<std::size_t>(kMostProfileBytes) + 1, '\0');
    file.read(text.data(), kMostProfileBytes + 1);
    if (file.bad())
        return {std::nullopt, prefix + "cannot be read"};
    if (file.gcount() > kMostProfileBytes)
        return {std::nullopt, prefix + "larger than 1 MiB"};
    text.resize(static_cast<std::size_t>(file.gcount()));
    ProfileReading reading = readSensorProfile(text);
    if (!reading.profile)
        reading.error = prefix + reading.error;
    return reading;
}

} // namespace imusim
