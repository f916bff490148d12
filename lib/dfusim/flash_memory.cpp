// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash_memory.h"

#include <algorithm>
#include <stdexcept>

namespace dfusim {

FlashMemory::FlashMemory(std::uint32_t base, std::uint32_t size) : base_(base), bytes_(size, 0xFF)
{
}

bool FlashMemory::contains(std::uint64_t address, std::uint64_t length) const
{
    return address >= base_ && address + length <= end();
}

void FlashMemory::erase(std::uint32_t address, std::uint32_t length)
{
    if (!contains(address, length))
        throw std::out_of_range("erase outside flash");
    std::fill_n(bytes_.begin() + (address - base_), length, std::uint8_t(0xFF));
}

bool FlashMemory::program(std::uint32_t address, const std::vector<std::uint8_t> &data)
{
    if (!contains(address, data.size()))
        throw std::out_of_range("program outside flash");
    bool exact = true;
    auto cell = bytes_.begin() + (address - base_);
    for (std::uint8_t value : data) {
        *cell &= value;
        exact = exact && *cell == value;
        ++cell;
    }
    return exact;
}

void FlashMemory::load(std::uint32_t address, const std::vector<std::uint8_t> &data)
{
    if (!contains(address, data.size()))
        throw std::out_of_range("load outside flash");
    std::copy(data.begin(), data.end(), bytes_.begin() + (address - base_));
}

std::vector<std::uint8_t> FlashMemory::read(std::uint32_t address, std::size_t length) const
{
    if (!contains(address, length))
        throw std::out_of_range("read outside flash");
    const auto first = bytes_.begin() + (address - base_);
    return {first, first + std::ptrdiff_t(length)};
}

} // namespace dfusim
