// SPDX-License-Identifier: GPL-3.0-or-later
// The 16-byte suffix that closes every DFU file.
#pragma once

#include "dfu_protocol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dfu {

constexpr std::size_t kSuffixLength = 16;

struct DfuSuffix
{
    std::uint16_t bcdDevice = 0x0000;
    std::uint16_t productId = kBootloaderProductId;
    std::uint16_t vendorId = kBootloaderVendorId;
    std::uint16_t bcdDfu = kDfuseVersion;
};

// Appends the suffix fields and the CRC over everything before the CRC;
// `crcState` is the CRC register (crc32) after every file byte before the suffix.
void appendSuffix(std::vector<std::uint8_t> &out, const DfuSuffix &suffix, std::uint32_t crcState);

// True when the last bytes look like a suffix ("UFD" signature and length 16),
// whether or not its CRC is right.
bool carriesSuffix(const std::vector<std::uint8_t> &file);

struct SuffixCheck
{
    DfuSuffix fields;
    std::uint32_t storedCrc = 0;
    std::uint32_t computedCrc = 0;
};

// The suffix fields and both CRCs, or nothing when the file carries no suffix.
std::optional<SuffixCheck> readSuffix(const std::vector<std::uint8_t> &file);

} // namespace dfu
