// SPDX-License-Identifier: GPL-3.0-or-later
#include "address_range.h"

#include <gtest/gtest.h>

namespace {

using dfu::AddressRange;

struct Case
{
    const char *name;
    std::vector<AddressRange> ranges;
    std::optional<std::pair<std::size_t, std::size_t>> expected; // lower, higher
};

TEST(AddressRanges, FindTheFirstOverlapInAddressOrder)
{
    constexpr std::uint64_t k4GiB = std::uint64_t(1) << 32;
    const std::vector<Case> cases{
        {"none", {}, std::nullopt},
        {"one", {{0, 10}}, std::nullopt},
        {"touching ranges do not overlap", {{10, 20}, {0, 10}, {20, 30}}, std::nullopt},
        {"one byte shared", {{0, 11}, {10, 20}}, std::make_pair(0, 1)},
        {"positions refer to the input order", {{20, 30}, {40, 50}, {0, 21}}, std::make_pair(2, 0)},
        {"a range inside an earlier one", {{0, 100}, {40, 50}, {60, 70}}, std::make_pair(0, 1)},
        {"equal starts keep input order", {{8, 9}, {8, 12}}, std::make_pair(0, 1)},
        {"the lowest overlap wins", {{50, 60}, {55, 56}, {0, 5}, {4, 6}}, std::make_pair(2, 3)},
        {"ending at 4 GiB", {{k4GiB - 1, k4GiB}, {k4GiB - 2, k4GiB - 1}}, std::nullopt},
        {"overlap at the top", {{k4GiB - 2, k4GiB}, {k4GiB - 1, k4GiB}}, std::make_pair(0, 1)},
    };
    for (const Case &c : cases) {
        const auto pair = dfu::findFirstOverlap(c.ranges);
        ASSERT_EQ(pair.has_value(), c.expected.has_value()) << c.name;
        if (pair) {
            EXPECT_EQ(pair->lower, c.expected->first) << c.name;
            EXPECT_EQ(pair->higher, c.expected->second) << c.name;
        }
    }
}

} // namespace
