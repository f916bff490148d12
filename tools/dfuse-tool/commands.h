// SPDX-License-Identifier: GPL-3.0-or-later
// The three things dfuse-tool does; each returns how the process ends.
#pragma once

#include "device_finder.h"
#include "dfuse_engine.h"
#include "exit_code.h"

#include <iosfwd>
#include <string>

namespace dfu {

// Ok, also when none is found, unless a serial number was asked for: then
// DeviceAbsent when that device is not there.
ExitCode listDevices(DeviceFinder &finder, std::ostream &out);
struct FlashRequest
{
    std::string path;
    bool force = false; // flash an image that fails the application checks
};

// Ok when flashed, ImageRefused when the image cannot be the module's
// application (unless forced), DeviceAbsent when the device asked for by its
// serial number is not there, Failed on any other failure.
ExitCode flashFile(DeviceFinder &finder, const FlashRequest &request, std::ostream &out,
                   std::ostream &err);
ExitCode leaveToApplication(DeviceFinder &finder, std::ostream &out, std::ostream &err);

// "progress write 4096 262244": the machine-readable line of one progress step.
std::string progressLine(Phase phase, std::uint64_t done, std::uint64_t total);

} // namespace dfu
