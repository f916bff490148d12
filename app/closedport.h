// How a command tells the operator that the module's port is closed. Each
// command keeps the words it has always used; the shape is shared: an optional
// log line, an optional debug line and an optional critical box.
#pragma once

namespace closedport {

struct Notice
{
    const char *logLine = nullptr;
    const char *debugLine = nullptr;
    const char *boxText = nullptr;
};

constexpr char deviceNotOpen[] = "Device is not open";

// The stream and the calibration read-out.
constexpr Notice logged{deviceNotOpen};
// Calibration mode and the calibration commands.
constexpr Notice loggedAndDebugged{deviceNotOpen, deviceNotOpen};
// Clearing the calibration, after its question was answered.
constexpr Notice debugged{nullptr, deviceNotOpen};
// Starting the chart.
constexpr Notice plotRefused{"Please Connect Device"};
// Identity commands and the jump to the bootloader.
constexpr Notice warned{"Please open IMU device", nullptr, "Please open IMU device."};

} // namespace closedport
