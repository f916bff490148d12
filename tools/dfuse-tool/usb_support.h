// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the USB back-end that need no libusb: plain advice when the
// system refuses access, and telling a device that left the bus from a
// transfer that merely failed.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace dfu {

// The file that grants the logged-in user access to the module and its bootloader.
constexpr const char *kUdevRuleFile = "70-orvik-imu.rules";

// What to tell the user when opening the device at `location` was refused.
std::string missingUdevRuleAdvice(const std::string &location);

// Asks `stillAttached` until it answers false (true is returned) or `wait`
// has passed (false): after an I/O error, only a device that is gone from
// the bus counts as disconnected.
bool leftTheBusWithin(const std::function<bool()> &stillAttached, std::chrono::milliseconds wait);

} // namespace dfu
