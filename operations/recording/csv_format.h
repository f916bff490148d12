// SPDX-License-Identifier: GPL-3.0-or-later
// The text of an exported recording: one header line naming each column
// with its unit, then one line per record. Numbers use '.' whatever the
// locale, and floats the shortest text that reads back to the same value.
// The last column, after the record's fields, holds the samples missed just
// before the record, so the columns before it keep their places.
#pragma once

#include "recording/recorder.h"

#include <QDateTime>

#include <cstddef>
#include <string>
#include <vector>

namespace recording::csv {

// A float column of a table: its header and where the value sits in the
// payload. The index and time columns come before them, the missed samples
// after.
struct Column
{
    std::string header;
    std::size_t offset;
};

const std::vector<Column> &sampleColumns();
const std::vector<Column> &calibrationColumns();
inline constexpr char kIndexHeader[] = "index";
inline constexpr char kTimeHeaderStart[] = "time [s since ";
inline constexpr char kMissedHeader[] = "missed_before [samples]";

// The time column's header carries the recording's wall-clock start.
std::string sampleHeader(const QDateTime &started);
std::string calibrationHeader(const QDateTime &started);

// Append one line, '\n' included.
void appendRow(std::string &out, const SampleRecord &record);
void appendRow(std::string &out, const CalibrationRecord &record);

} // namespace recording::csv
