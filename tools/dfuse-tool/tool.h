// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool as a function, so that a program with another USB back-end (a
// stand-in for tests) runs exactly the same tool.
#pragma once

#include "device_finder.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace dfu {

// Runs one command line (`arguments` without the program name, UTF-8) and
// returns the exit code. `usb` may be null when USB cannot be reached.
int runDfuseTool(const std::vector<std::string> &arguments, std::unique_ptr<DeviceBackend> usb,
                 std::ostream &out, std::ostream &err);

} // namespace dfu
