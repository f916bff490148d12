// SPDX-License-Identifier: GPL-3.0-or-later
// The words an operator reads for what a command to the module achieved, in
// the window's log and in the command line's output alike.
#pragma once

#include "outcome/command_outcome.h"

namespace outcome {

constexpr Texts kStartStream{"Start Receive", "Start Receive FAIL"};
constexpr Texts kStopStream{"Stop Receive", "Stop Receive FAIL"};
constexpr Texts kEnterCalibrationMode{"Enter Calibration Mode SUCCESS",
                                      "Enter Calibration Mode FAIL"};
constexpr Texts kExitCalibrationMode{"Exit Calibration Mode SUCCESS", "Exit Calibration Mode FAIL"};
constexpr Texts kStartGyroBias{"Start GyrBias Calibration",
                               "ERROR: Cannot Enter GyrBias Calibration"};
constexpr Texts kStopGyroBias{"Stop Gyr Bias Calibration", "FAIL to Stop Gyr Bias Calibration"};
constexpr Texts kRecordQuaternionOffset{"Record Quaternion Offset SUCCESS",
                                        "Record Quaternion Offset FAIL"};
constexpr Texts kResetQuaternionOffset{"Reset Quaternion Offset SUCCESS",
                                       "Reset Quaternion Offset FAIL"};
constexpr Texts kWriteCalibration{"Write Calibration SUCCESS", "Write Calibration FAIL"};
constexpr Texts kClearCalibration{"Clear Success", "Clear FAIL"};
constexpr Texts kJumpToBootloader{"Jump to DFU done", "Jump to DFU FAIL"};
constexpr Texts kLeaveBootloader{"Leave to DFU done", "Leave to DFU FAIL"};
constexpr Texts kUpgrade{"DFU Success!", "DFU Fail!"};

// Reads and writes that succeed name the value after the prefix.
constexpr char kVersionRead[] = "Version: ";
constexpr char kVersionFailed[] = "Version FAIL";
constexpr char kSerialNumberRead[] = "Get SN: ";
constexpr char kSerialNumberReadFailed[] = "Get SN FAIL";
constexpr char kSerialNumberWritten[] = "Set SN: ";
constexpr char kSerialNumberWriteFailed[] = "Set SN FAIL";
// The flasher's listing named no DFU bootloader.
constexpr char kNoBootloader[] = "No DFU device Found!";
// The library closed the port under an open link.
constexpr char kModuleVanished[] = "Transmite ERROR";
// Followed by the reason the upgrade failed.
constexpr char kUpgradeFailedBecause[] = "DFU Fail: ";

} // namespace outcome
