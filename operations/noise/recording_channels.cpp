#include "noise/recording_channels.h"

#include "recording/sample_rate.h"

namespace noise {

namespace {

// Records need at least this many samples for the shortest analysis.
constexpr std::size_t kLeastSamples = 100;

template <class RecordType>
std::vector<RecordType> readAll(recording::TableSnapshot<RecordType> table)
{
    std::vector<RecordType> records(table.size());
    std::size_t done = 0;
    while (done < records.size()) {
        const std::size_t n = table.read(records.data() + done, records.size() - done);
        if (n == 0)
            break;
        done += n;
    }
    records.resize(done);
    return records;
}

template <class RecordType, class Field>
void addVector(std::vector<Channel> &channels, const std::vector<RecordType> &records, int chip,
               Sensor sensor, Field field)
{
    for (int axis = 0; axis < 3; ++axis) {
        Channel channel{chip, sensor, axis, {}};
        channel.samples.reserve(records.size());
        for (const RecordType &record : records) {
            const IMUserial::vec3 &v = record.data.*field;
            channel.samples.push_back(axis == 0 ? v.x : axis == 1 ? v.y : v.z);
        }
        channels.push_back(std::move(channel));
    }
}

ChannelsRead fromCalibration(const std::vector<recording::CalibrationRecord> &records)
{
    using C = IMUserial::sensor_data_calibration;
    RecordedChannels recorded{{}, recording::medianRate(records), true};
    addVector(recorded.channels, records, 1, Sensor::Gyroscope, &C::gyr1);
    addVector(recorded.channels, records, 1, Sensor::Accelerometer, &C::acc1);
    addVector(recorded.channels, records, 2, Sensor::Gyroscope, &C::gyr2);
    addVector(recorded.channels, records, 2, Sensor::Accelerometer, &C::acc2);
    return {std::move(recorded), {}};
}

ChannelsRead fromSamples(const std::vector<recording::SampleRecord> &records)
{
    using S = IMUserial::sensor_data;
    RecordedChannels recorded{{}, recording::medianRate(records), false};
    addVector(recorded.channels, records, 1, Sensor::Gyroscope, &S::gyr);
    addVector(recorded.channels, records, 1, Sensor::Accelerometer, &S::acc);
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

} // namespace

ChannelsRead channelsOf(const recording::csv::ReadTables &tables)
{
    if (!tables.calibration.empty())
        return checked(tables.calibration, fromCalibration(tables.calibration));
    return checked(tables.samples, fromSamples(tables.samples));
}

ChannelsRead channelsOf(recording::RecordingSnapshot snapshot)
{
    const auto calibration = readAll(std::move(snapshot.calibration));
    if (!calibration.empty())
        return checked(calibration, fromCalibration(calibration));
    const auto samples = readAll(std::move(snapshot.samples));
    return checked(samples, fromSamples(samples));
}

} // namespace noise
