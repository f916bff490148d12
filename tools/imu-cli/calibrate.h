// SPDX-License-Identifier: GPL-3.0-or-later
// Calibrations the command line computes: raw readings collected in
// calibration mode, fitted, shown with their quality figures and, when asked,
// written, read back and verified on the module's calibrated stream
// (docs/calibration.md).
#pragma once

#include "invocation.h"
#include "outcome.h"

#include "imuserial.h"

namespace cli {

struct CalibrationRequest
{
    double seconds = 0; // 0: the sensor's default
    bool write = false;
    ChipChoice chips = ChipChoice::Both; // accelerometer only
    int poses = 12;                      // accelerometer only
};

Outcome calibrateMagnetometer(IMUserial::IMUSerial &device, const CalibrationRequest &request,
                              const Console &console);
Outcome calibrateAccelerometer(IMUserial::IMUSerial &device, const CalibrationRequest &request,
                               const Console &console);
// Fits every sensor a calibration-mode table (FILE-calibration.csv) allows.
Outcome fitRecording(const QString &file);

} // namespace cli
