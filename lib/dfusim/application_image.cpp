// SPDX-License-Identifier: GPL-3.0-or-later
#include "application_image.h"

#include <algorithm>
#include <cstring>

namespace dfusim {

namespace {

using dfu::kVersionMarker;

constexpr std::size_t kMarkerLength = sizeof kVersionMarker - 1;
constexpr std::size_t kVectorTableHead = 8;
constexpr std::size_t kMarkerOffset = 0x30;

std::uint32_t word(const std::vector<std::uint8_t> &bytes, std::size_t offset)
{
    return std::uint32_t(bytes[offset]) | std::uint32_t(bytes[offset + 1]) << 8 |
           std::uint32_t(bytes[offset + 2]) << 16 | std::uint32_t(bytes[offset + 3]) << 24;
}

void putWord(std::vector<std::uint8_t> &bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

} // namespace

bool hasValidVectorTable(const FlashMemory &flash, std::uint32_t address)
{
    if (!flash.contains(address, kVectorTableHead))
        return false;
    const std::vector<std::uint8_t> head = flash.read(address, kVectorTableHead);
    const std::uint32_t stackPointer = word(head, 0);
    const std::uint32_t resetHandler = word(head, 4) & ~1u; // bit 0 marks Thumb code
    return stackPointer > dfu::kModuleSramStart && stackPointer <= dfu::kModuleSramEnd &&
           flash.contains(resetHandler, 2);
}

std::optional<FirmwareVersion> findVersion(const FlashMemory &flash, std::uint32_t address)
{
    if (!flash.contains(address, 0))
        return std::nullopt;
    const std::vector<std::uint8_t> image = flash.read(address, std::size_t(flash.end() - address));
    const auto found =
        std::search(image.begin(), image.end(), kVersionMarker, kVersionMarker + kMarkerLength);
    if (image.end() - found < std::ptrdiff_t(kMarkerLength + 3))
        return std::nullopt;
    const auto version = found + kMarkerLength;
    return FirmwareVersion{version[0], version[1], version[2]};
}

std::vector<std::uint8_t> makeApplicationImage(std::uint32_t loadAddress, FirmwareVersion version,
                                               std::size_t size)
{
    std::vector<std::uint8_t> image(std::max<std::size_t>(size, 64), 0xFF);
    putWord(image, 0, dfu::kModuleSramStart + 0x20000);
    putWord(image, 4, (loadAddress + 0x200) | 1u);
    std::memcpy(image.data() + kMarkerOffset, kVersionMarker, kMarkerLength);
    std::copy(version.begin(), version.end(),
              image.begin() + std::ptrdiff_t(kMarkerOffset + kMarkerLength));
    return image;
}

} // namespace dfusim
