// SPDX-License-Identifier: GPL-3.0-or-later
// How a command tells the operator that the module's port is closed. Each
// command keeps the words it has always used; the shape is shared: an optional
// log line, an optional debug line and an optional critical box.
#pragma once

#include "imuserial.h"
#include "prompts/prompter.h"

namespace connection {

struct Notice
{
    const char *logLine = nullptr;
    const char *debugLine = nullptr;
    const char *boxText = nullptr;
};

constexpr char kDeviceNotOpen[] = "Device is not open";

// The stream and the calibration read-out.
constexpr Notice kLogged{kDeviceNotOpen};
// Calibration mode and the calibration commands.
constexpr Notice kLoggedAndDebugged{kDeviceNotOpen, kDeviceNotOpen};
// Clearing the calibration, after its question was answered.
constexpr Notice kDebugged{nullptr, kDeviceNotOpen};
// Starting the chart.
constexpr Notice kPlotRefused{"Please Connect Device"};
// Identity commands and the jump to the bootloader.
constexpr Notice kWarned{"Please open IMU device", nullptr, "Please open IMU device."};

// True when the port is open; otherwise tells the operator as `notice` says.
bool deviceOpen(IMUserial::IMUSerial &device, const Notice &notice,
                const prompts::Prompter &prompter);

} // namespace connection
