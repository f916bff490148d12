// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian field access for the DFU file and wire formats.
#pragma once

#include <cstdint>
#include <vector>

namespace dfu {

inline std::uint16_t readLe16(const std::uint8_t *bytes)
{
    return std::uint16_t(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t readLe32(const std::uint8_t *bytes)
{
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
           (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
}

inline void appendLe16(std::vector<std::uint8_t> &out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

inline void appendLe32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

} // namespace dfu
