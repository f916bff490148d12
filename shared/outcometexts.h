// The words an operator reads for what a command to the module achieved, in
// the window's log and in the command line's output alike.
#pragma once

#include "commandoutcome.h"

namespace outcometexts {

using commandoutcome::Texts;

constexpr Texts startStream{"Start Receive", "Start Receive FAIL"};
constexpr Texts stopStream{"Stop Receive", "Stop Receive FAIL"};
constexpr Texts enterCalibrationMode{"Enter Calibration Mode SUCCESS",
                                     "Enter Calibration Mode FAIL"};
constexpr Texts exitCalibrationMode{"Exit Calibration Mode SUCCESS", "Exit Calibration Mode FAIL"};
constexpr Texts startGyroBias{"Start GyrBias Calibration",
                              "ERROR: Cannot Enter GyrBias Calibration"};
constexpr Texts stopGyroBias{"Stop Gyr Bias Calibration", "FAIL to Stop Gyr Bias Calibration"};
constexpr Texts recordQuaternionOffset{"Record Quaternion Offset SUCCESS",
                                       "Record Quaternion Offset FAIL"};
constexpr Texts resetQuaternionOffset{"Reset Quaternion Offset SUCCESS",
                                      "Reset Quaternion Offset FAIL"};
constexpr Texts writeCalibration{"Write Calibration SUCCESS", "Write Calibration FAIL"};
constexpr Texts clearCalibration{"Clear Success", "Clear FAIL"};
constexpr Texts jumpToBootloader{"Jump to DFU done", "Jump to DFU FAIL"};
constexpr Texts leaveBootloader{"Leave to DFU done", "Leave to DFU FAIL"};
constexpr Texts upgrade{"DFU Success!", "DFU Fail!"};

// Reads and writes that succeed name the value after the prefix.
constexpr char versionRead[] = "Version: ";
constexpr char versionFailed[] = "Version FAIL";
constexpr char serialNumberRead[] = "Get SN: ";
constexpr char serialNumberReadFailed[] = "Get SN FAIL";
constexpr char serialNumberWritten[] = "Set SN: ";
constexpr char serialNumberWriteFailed[] = "Set SN FAIL";
// The flasher's listing named no DFU bootloader.
constexpr char noBootloader[] = "No DFU device Found!";
// The library closed the port under an open link.
constexpr char moduleVanished[] = "Transmite ERROR";
// Followed by the reason the upgrade failed.
constexpr char upgradeFailedBecause[] = "DFU Fail: ";

} // namespace outcometexts
