// SPDX-License-Identifier: GPL-3.0-or-later
// The channels a noise analysis reads from a recording: from calibration-mode
// records both chips' raw gyroscope and accelerometer (12 channels), else the
// normal stream's calibrated ones, which it reports for chip 1 (6 channels).
// The sample rate is recording::recordedRate()'s.
#pragma once

#include "noise/noise_analysis.h"
#include "recording/csv_reader.h"
#include "recording/recorder.h"

#include <QString>

#include <optional>

namespace noise {

struct RecordedChannels
{
    std::vector<Channel> channels;
    double rate = 0;  // samples per second: recording::recordedRate()
    bool raw = false; // from calibration-mode records
};

struct ChannelsRead
{
    std::optional<RecordedChannels> recorded;
    QString error; // why there are none, in one line
};

ChannelsRead channelsOf(const recording::csv::ReadTables &tables);
// A recording as recording::openRecording() reads it: a table this tool
// exported (when it holds no samples and the calibration-mode table of the
// same recording lies beside it, a raw recording, that one) or a recording
// folder. `read` is set to the file read; errors name it.
ChannelsRead channelsOfFile(const QString &path, QString *read = nullptr);
// The recording under way or just made; calibration-mode records first.
ChannelsRead channelsOf(recording::RecordingSnapshot snapshot);

} // namespace noise
