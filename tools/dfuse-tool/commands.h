// The three things dfuse-tool does; each returns the process exit code.
#pragma once

#include "device_finder.h"
#include "dfuse_engine.h"

#include <iosfwd>
#include <string>

namespace dfu {

int listDevices(DeviceFinder &finder, std::ostream &out);
int flashFile(DeviceFinder &finder, const std::string &path, std::ostream &out, std::ostream &err);
int leaveToApplication(DeviceFinder &finder, std::ostream &out, std::ostream &err);

// "progress write 4096 262244": the machine-readable line of one progress step.
std::string progressLine(Phase phase, std::uint64_t done, std::uint64_t total);

} // namespace dfu
