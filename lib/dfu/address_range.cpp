// SPDX-License-Identifier: GPL-3.0-or-later
#include "address_range.h"

#include <algorithm>
#include <numeric>

namespace dfu {

std::optional<OverlappingPair> findFirstOverlap(const std::vector<AddressRange> &ranges)
{
    const auto byStart = [&](std::size_t a, std::size_t b) {
        return ranges[a].start < ranges[b].start;
    };
    std::vector<std::size_t> order(ranges.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    // Input in address order, the usual case, needs no sorting.
    if (!std::is_sorted(order.begin(), order.end(), byStart))
        std::stable_sort(order.begin(), order.end(), byStart);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (ranges[order[i - 1]].end > ranges[order[i]].start)
            return OverlappingPair{order[i - 1], order[i]};
    return std::nullopt;
}

} // namespace dfu
