// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/replayed_samples.h"

#include "orientation/attitude.h"

#include <limits>

namespace replay {

namespace {

IMUserial::sensor_data chipOneSample(const IMUserial::sensor_data_calibration &raw)
{
    constexpr float kNotMeasured = std::numeric_limits<float>::quiet_NaN();
    const orientation::Quaternion attitude =
        orientation::quaternionFromEuler({raw.angle1.x, raw.angle1.y, raw.angle1.z});
    IMUserial::sensor_data sample{};
    sample.gyr = raw.gyr1;
    sample.acc = raw.acc1;
    sample.mag = raw.mag;
    sample.free_acc = {kNotMeasured, kNotMeasured, kNotMeasured};
    sample.angle = raw.angle1;
    sample.quat = {float(attitude.w), float(attitude.x), float(attitude.y), float(attitude.z)};
    sample.temp = raw.temp1;
    return sample;
}

} // namespace

ReplayedSamples replayedSamples(recording::OpenedRecording &&recording)
{
    if (!recording.samples.empty() || recording.calibration.empty())
        return {std::move(recording.samples), false};
    ReplayedSamples replayed{{}, true};
    replayed.samples.reserve(recording.calibration.size());
    for (const recording::CalibrationRecord &record : recording.calibration)
        replayed.samples.push_back(
            {record.index, record.seconds, chipOneSample(record.data), record.missedBefore});
    return replayed;
}

} // namespace replay
