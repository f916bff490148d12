// SPDX-License-Identifier: GPL-3.0-or-later
// Overlap detection for address ranges, shared by everything that must refuse
// two pieces of memory claiming the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace dfu {

// The half-open range [start, end), in 64 bits so that a range may end at 4 GiB.
struct AddressRange
{
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// Positions in the input of two overlapping ranges; `lower` starts no later
// than `higher` and comes first in the input when both start together.
struct OverlappingPair
{
    std::size_t lower = 0;
    std::size_t higher = 0;
};

// Of the ranges in start order (input order among equal starts), the first one
// that begins before its predecessor ends, with that predecessor.
std::optional<OverlappingPair> findFirstOverlap(const std::vector<AddressRange> &ranges);

} // namespace dfu
