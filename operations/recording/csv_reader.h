// SPDX-License-Identifier: GPL-3.0-or-later
// Reading back a table this tool exported (csv_format.h): the samples table or
// the calibration-mode table, told apart by its header. Anything else (another
// program's CSV, a wrong header, a short or garbled line, a last line without
// its line end) is refused with the first bad line named, never half read.
#pragma once

#include "recording/recorder.h"

#include <QDateTime>
#include <QString>

#include <string_view>
#include <vector>

namespace recording::csv {

struct ReadTables
{
    QDateTime started;
    std::vector<SampleRecord> samples;          // from a samples table
    std::vector<CalibrationRecord> calibration; // from a calibration-mode table
};

struct ReadResult
{
    std::optional<ReadTables> tables;
    QString error; // "line 7: 12 fields, 30 expected"; empty with tables
};

ReadResult readText(std::string_view text);
// The error names the file too.
ReadResult readFile(const QString &path);

} // namespace recording::csv
