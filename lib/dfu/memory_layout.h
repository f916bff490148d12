// SPDX-License-Identifier: GPL-3.0-or-later
// The memory map a DfuSe device announces in the name of its alternate
// setting, e.g. "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dfu {

// Where the application image is loaded in internal flash and started from.
constexpr std::uint32_t kApplicationAddress = 0x08020000;

// One run of equally sized pages.
struct PageRun
{
    std::uint32_t start = 0;
    std::uint32_t pageSize = 0;
    std::uint32_t pageCount = 0;
    bool readable = false;
    bool erasable = false;
    bool writable = false;

    std::uint64_t end() const { return std::uint64_t(start) + std::uint64_t(pageSize) * pageCount; }
};

struct MemoryLayout
{
    std::string name;
    std::vector<PageRun> runs; // in address order as announced
};

struct Page
{
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    const PageRun *run = nullptr;
};

// Counts and sizes are decimal (leading zeros allowed) with an optional K or M
// multiplier; the type letter 'a' to 'g' is a bit set of readable (1),
// erasable (2) and writable (4). Throws InputError on anything else and on
// regions that overlap or run beyond 4 GiB.
MemoryLayout parseMemoryLayout(const std::string &text);

// The page holding `address`, if the layout covers it.
std::optional<Page> pageAt(const MemoryLayout &layout, std::uint32_t address);

} // namespace dfu
