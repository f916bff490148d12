// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/csv_format.h"

#include "stream/sample_units.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <vector>

namespace recording::csv {

namespace {

void addVector(std::vector<Column> &columns, const char *name, const char *unit, std::size_t offset,
               const char *axes)
{
    for (std::size_t i = 0; axes[i] != '\0'; ++i)
        columns.push_back(
            {std::string(name) + '_' + axes[i] + " [" + unit + ']', offset + i * sizeof(float)});
}

} // namespace

const std::vector<Column> &sampleColumns()
{
    using IMUserial::sensor_data;
    static const std::vector<Column> columns = [] {
        std::vector<Column> c;
        addVector(c, "angle", stream::kAngleUnit, offsetof(sensor_data, angle), "xyz");
        addVector(c, "quat", "1", offsetof(sensor_data, quat), "wxyz");
        addVector(c, "gyr", stream::kAngularRateUnit, offsetof(sensor_data, gyr), "xyz");
        addVector(c, "acc", stream::kAccelerationUnit, offsetof(sensor_data, acc), "xyz");
        addVector(c, "free_acc", stream::kAccelerationUnit, offsetof(sensor_data, free_acc), "xyz");
        addVector(c, "mag", stream::kMagneticFieldUnit, offsetof(sensor_data, mag), "xyz");
        c.push_back(
            {std::string("temp [") + stream::kTemperatureUnit + "]", offsetof(sensor_data, temp)});
        return c;
    }();
    return columns;
}

const std::vector<Column> &calibrationColumns()
{
    using IMUserial::sensor_data_calibration;
    static const std::vector<Column> columns = [] {
        std::vector<Column> c;
        addVector(c, "gyr1", stream::kAngularRateUnit, offsetof(sensor_data_calibration, gyr1),
                  "xyz");
        addVector(c, "acc1", stream::kAccelerationUnit, offsetof(sensor_data_calibration, acc1),
                  "xyz");
        addVector(c, "angle1", stream::kAngleUnit, offsetof(sensor_data_calibration, angle1),
                  "xyz");
        c.push_back({std::string("temp1 [") + stream::kTemperatureUnit + "]",
                     offsetof(sensor_data_calibration, temp1)});
        addVector(c, "gyr2", stream::kAngularRateUnit, offsetof(sensor_data_calibration, gyr2),
                  "xyz");
        addVector(c, "acc2", stream::kAccelerationUnit, offsetof(sensor_data_calibration, acc2),
                  "xyz");
        addVector(c, "angle2", stream::kAngleUnit, offsetof(sensor_data_calibration, angle2),
                  "xyz");
        c.push_back({std::string("temp2 [") + stream::kTemperatureUnit + "]",
                     offsetof(sensor_data_calibration, temp2)});
        addVector(c, "mag", stream::kMagneticFieldUnit, offsetof(sensor_data_calibration, mag),
                  "xyz");
        return c;
    }();
    return columns;
}

namespace {

std::string header(const QDateTime &started, const std::vector<Column> &columns)
{
    std::string line = std::string(kIndexHeader) + ',' + kTimeHeaderStart +
                       started.toString(Qt::ISODateWithMs).toStdString() + ']';
    for (const Column &column : columns)
        line += ',' + column.header;
    line += std::string(",") + kMissedHeader + '\n';
    return line;
}

template <class Number> void appendNumber(std::string &out, Number value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr);
}

template <class Payload>
void appendRecord(std::string &out, const Record<Payload> &record,
                  const std::vector<Column> &columns)
{
    appendNumber(out, record.index);
    out += ',';
    appendNumber(out, record.seconds);
    const auto *payload = reinterpret_cast<const unsigned char *>(&record.data);
    for (const Column &column : columns) {
        float value;
        std::memcpy(&value, payload + column.offset, sizeof value);
        out += ',';
        appendNumber(out, value);
    }
    out += ',';
    appendNumber(out, record.missedBefore);
    out += '\n';
}

} // namespace

std::string sampleHeader(const QDateTime &started)
{
    return header(started, sampleColumns());
}

std::string calibrationHeader(const QDateTime &started)
{
    return header(started, calibrationColumns());
}

void appendRow(std::string &out, const SampleRecord &record)
{
    appendRecord(out, record, sampleColumns());
}

void appendRow(std::string &out, const CalibrationRecord &record)
{
    appendRecord(out, record, calibrationColumns());
}

} // namespace recording::csv
