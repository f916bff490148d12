// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that talk to the module's DFU bootloader through the firmware
// programs, driven as the window drives them.
#pragma once

#include "outcome.h"

#include <optional>

namespace cli {

// Why `image` cannot be flashed before any program looks at it (a kind the
// programs do not take, or no such file); nothing when it may be tried.
std::optional<Outcome> refusedImage(const QString &image);

// Converts a .bin or .hex image, flashes it and leaves the bootloader.
Outcome flashImage(const QString &image, const Console &console);
Outcome leaveBootloader();

} // namespace cli
