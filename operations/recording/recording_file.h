// SPDX-License-Identifier: GPL-3.0-or-later
// A recording read back whole for a second look: a table this tool exported
// (csv_reader.h), or the folder of a recording that was not saved
// (recovery.h). The window's replay and the command line's commands that
// take a recording read it here, so both accept the same files and refuse
// the same ones with the same words.
#pragma once

#include "recording/recorder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace recording {

struct OpenedRecording
{
    QString name; // the file's or the folder's name, as the operator chose it
    QDateTime started;
    // One of the two holds the records: an exported table holds one kind, a
    // folder may hold both.
    std::vector<SampleRecord> samples;
    std::vector<CalibrationRecord> calibration;
    // What a folder's damaged spill files left out, one sentence each.
    QStringList damage;
};

struct OpenResult
{
    std::optional<OpenedRecording> recording;
    // Names the file and the first bad line: "run.csv: line 7: 12 fields,
    // 30 expected"; empty with a recording.
    QString error;
};

// `path` is a CSV file or a recording folder (orvik-imu-recording-XXXXXX).
// A folder whose recording program still runs is refused.
OpenResult openRecording(const QString &path);

} // namespace recording
