// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulated bootloader looks for in a flashed application.
//
// An application starts with a Cortex-M vector table: the initial stack
// pointer (in SRAM) and the reset handler address (in flash). It may carry its
// firmware version as the 8 ASCII bytes "IMUFWVER" followed by three bytes
// major, minor, patch, anywhere in the image; the first occurrence counts.
#pragma once

#include "application_check.h"
#include "flash_memory.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dfusim {

using FirmwareVersion = dfu::FirmwareVersion;

bool hasValidVectorTable(const FlashMemory &flash, std::uint32_t address);

// The version bytes after the marker between `address` and the end of flash.
std::optional<FirmwareVersion> findVersion(const FlashMemory &flash, std::uint32_t address);

// A minimal application for `loadAddress`: a valid vector table and the
// version marker, padded with 0xFF to `size` bytes (at least 64).
std::vector<std::uint8_t> makeApplicationImage(std::uint32_t loadAddress, FirmwareVersion version,
                                               std::size_t size = 1024);

} // namespace dfusim
