// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/recording_channels.h"

#include "recording/csv_export.h"
#include "recording/recording_file.h"
#include "recording/sample_rate.h"

#include <QFileInfo>

#include <initializer_list>

namespace noise {

namespace {

// Records need at least this many samples for the shortest analysis.
constexpr std::size_t kLeastSamples = 100;

// A vector of the records' payload and the chip and sensor it belongs to.
template <class Payload> struct Source
{
    int chip;
    Sensor sensor;
    IMUserial::vec3 Payload::*field;
};

// Every axis of every source, in one pass over the records.
template <class RecordType, class Payload>
std::vector<Channel> channelsFrom(const std::vector<RecordType> &records,
                                  std::initializer_list<Source<Payload>> sources)
{
    std::vector<Channel> channels;
    for (const Source<Payload> &source : sources)
        for (int axis = 0; axis < 3; ++axis)
            channels.push_back(
                {source.chip, source.sensor, axis, std::vector<double>(records.size())});
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto channel = channels.begin();
        for (const Source<Payload> &source : sources) {
            const IMUserial::vec3 &v = records[i].data.*source.field;
            (channel++)->samples[i] = v.x;
            (channel++)->samples[i] = v.y;
            (channel++)->samples[i] = v.z;
        }
    }
    return channels;
}

ChannelsRead fromCalibration(const std::vector<recording::CalibrationRecord> &records)
{
    using C = IMUserial::sensor_data_calibration;
    const auto gyr = Sensor::Gyroscope;
    const auto acc = Sensor::Accelerometer;
    RecordedChannels recorded{
        channelsFrom<recording::CalibrationRecord, C>(
            records,
            {{1, gyr, &C::gyr1}, {1, acc, &C::acc1}, {2, gyr, &C::gyr2}, {2, acc, &C::acc2}}),
        recording::recordedRate(records), true};
    return {std::move(recorded), {}};
}

ChannelsRead fromSamples(const std::vector<recording::SampleRecord> &records)
{
    using S = IMUserial::sensor_data;
    RecordedChannels recorded{
        channelsFrom<recording::SampleRecord, S>(
            records, {{1, Sensor::Gyroscope, &S::gyr}, {1, Sensor::Accelerometer, &S::acc}}),
        recording::recordedRate(records), false};
    return {std::move(recorded), {}};
}

template <class RecordType>
ChannelsRead checked(const std::vector<RecordType> &records, ChannelsRead read)
{
    if (records.size() < kLeastSamples)
        return {std::nullopt, QStringLiteral("%1 samples: a noise analysis needs at least %2, "
                                             "better an hour of a still module")
                                  .arg(records.size())
                                  .arg(kLeastSamples)};
    if (read.recorded->rate <= 0)
        return {std::nullopt, QStringLiteral("the time column does not rise: no sample rate")};
    return read;
}

// Calibration-mode records first: a folder may hold both tables.
ChannelsRead fromTables(const std::vector<recording::SampleRecord> &samples,
                        const std::vector<recording::CalibrationRecord> &calibration)
{
    if (!calibration.empty())
        return checked(calibration, fromCalibration(calibration));
    return checked(samples, fromSamples(samples));
}

} // namespace

ChannelsRead channelsOf(const recording::csv::ReadTables &tables)
{
    return fromTables(tables.samples, tables.calibration);
}

ChannelsRead channelsOfFile(const QString &path, QString *read)
{
    QString file = path;
    recording::OpenResult opened = recording::openRecording(file);
    const bool table = !QFileInfo(file).isDir();
    const QString beside = recording::calibrationPathFor(file);
    if (table && opened.recording && opened.recording->samples.empty() &&
        opened.recording->calibration.empty() && QFileInfo::exists(beside)) {
        file = beside;
        opened = recording::openRecording(file);
    }
    if (read)
        *read = file;
    if (!opened.recording)
        return {std::nullopt, opened.error};
    ChannelsRead channels = fromTables(opened.recording->samples, opened.recording->calibration);
    if (!channels.recorded)
        channels.error = opened.recording->name + ": " + channels.error;
    return channels;
}

ChannelsRead channelsOf(recording::RecordingSnapshot snapshot)
{
    const auto calibration = snapshot.calibration.readAll();
    if (!calibration.empty())
        return checked(calibration, fromCalibration(calibration));
    const auto samples = snapshot.samples.readAll();
    return checked(samples, fromSamples(samples));
}

} // namespace noise
