// The commands that talk to the module's DFU bootloader through the firmware
// programs, driven as the window drives them.
#pragma once

#include "outcome.h"

namespace cli {

// Converts a .bin or .hex image, flashes it and leaves the bootloader.
Outcome flashImage(const QString &image, const Console &console);
Outcome leaveBootloader();

} // namespace cli
