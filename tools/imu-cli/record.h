// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the module's stream to a CSV file, in the window's export format.
#pragma once

#include "outcome.h"

#include "imuserial.h"
#include "recording/recorder.h"

namespace cli {

struct RecordRequest
{
    double seconds = 0;
    std::optional<IMUserial::DATARATE> rate; // none: the rate the module has
    QString out;
    bool raw = false; // calibration mode: both chips' raw readings, no normal stream
};

// Writes `snapshot` as the window's export does; empty when written, else
// why not. `dropped` tells the records the recording could not keep.
QString writeCsv(recording::RecordingSnapshot snapshot, const QString &path, QString &dropped);

// Records every sample of `seconds` and then writes them all; a raw recording
// writes its calibration-mode records beside `out` (calibrationPathFor()). A module that
// goes away ends the recording early: the samples received until then are
// written and the outcome is a failure.
Outcome record(IMUserial::IMUSerial &device, const RecordRequest &request, const Console &console);

} // namespace cli
