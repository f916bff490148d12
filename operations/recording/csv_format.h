// The text of an exported recording: one header line naming each column
// with its unit, then one line per record. Numbers use '.' whatever the
// locale, and floats the shortest text that reads back to the same value.
// The last column, after the record's fields, holds the samples missed just
// before the record, so the columns before it keep their places.
#pragma once

#include "recording/recorder.h"

#include <QDateTime>

#include <string>

namespace recording::csv {

// The time column's header carries the recording's wall-clock start.
std::string sampleHeader(const QDateTime &started);
std::string calibrationHeader(const QDateTime &started);

// Append one line, '\n' included.
void appendRow(std::string &out, const SampleRecord &record);
void appendRow(std::string &out, const CalibrationRecord &record);

} // namespace recording::csv
