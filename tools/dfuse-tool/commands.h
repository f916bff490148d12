// The three things dfuse-tool does; each returns the process exit code.
#pragma once

#include "device_finder.h"
#include "dfuse_engine.h"

#include <iosfwd>
#include <string>

namespace dfu {

int listDevices(DeviceFinder &finder, std::ostream &out);
struct FlashRequest
{
    std::string path;
    bool force = false; // flash an image that fails the application checks
};

// Exit 0 when flashed, kExitImageRefused when the image cannot be the
// module's application (unless forced), 1 on any other failure.
int flashFile(DeviceFinder &finder, const FlashRequest &request, std::ostream &out,
              std::ostream &err);
int leaveToApplication(DeviceFinder &finder, std::ostream &out, std::ostream &err);

// "progress write 4096 262244": the machine-readable line of one progress step.
std::string progressLine(Phase phase, std::uint64_t done, std::uint64_t total);

} // namespace dfu
