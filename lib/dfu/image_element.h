// SPDX-License-Identifier: GPL-3.0-or-later
// A firmware image as runs of bytes at flash addresses.
#pragma once

#include <cstdint>
#include <vector>

namespace dfu {

// Size of the 32-bit address space every element must fit into.
constexpr std::uint64_t kAddressSpace = std::uint64_t(1) << 32;

struct ImageElement
{
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
};

// First address past the element, in 64 bits so that an element ending at the
// top of the 32-bit address space is represented exactly.
inline std::uint64_t endAddress(const ImageElement &element)
{
    return std::uint64_t(element.address) + element.data.size();
}

} // namespace dfu
