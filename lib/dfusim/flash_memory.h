// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated NOR flash: erasing sets bytes to 0xFF, programming can only clear
// bits, so data written over unerased bytes does not read back as written.
#pragma once

#include <cstdint>
#include <vector>

namespace dfusim {

class FlashMemory
{
public:
    FlashMemory(std::uint32_t base, std::uint32_t size);

    std::uint32_t base() const { return base_; }
    std::uint64_t end() const { return std::uint64_t(base_) + bytes_.size(); }
    bool contains(std::uint64_t address, std::uint64_t length) const;

    void erase(std::uint32_t address, std::uint32_t length);
    // Programs each byte as old AND new; true when the result equals `data`.
    bool program(std::uint32_t address, const std::vector<std::uint8_t> &data);
    // Puts bytes in place regardless of the flash rules (factory content).
    void load(std::uint32_t address, const std::vector<std::uint8_t> &data);
    std::vector<std::uint8_t> read(std::uint32_t address, std::size_t length) const;

private:
    std::uint32_t base_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace dfusim
