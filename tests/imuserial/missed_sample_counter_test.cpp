// SPDX-License-Identifier: GPL-3.0-or-later
// The gaps in the module's 8-bit sample counter, counted as missed samples.
#include "missed_sample_counter.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MissedSampleCounter, CountsEachGapModulo256FromTheReference)
{
    constexpr int resynchronise = -1; // a stream restart before the next frame
    const struct
    {
        const char *what;
        std::vector<int> frames;
        std::uint64_t missed;
    } cases[] = {
        {"the first frame sets the reference", {200}, 0},
        {"consecutive", {0, 1, 2, 3}, 0},
        {"gaps", {10, 12, 15}, 1 + 2},
        {"wrap-around without a gap", {254, 255, 0, 1}, 0},
        {"gap across the wrap", {250, 3}, 8},
        {"a repeated number is a full turn", {7, 7}, 255},
        {"a gap of 300 counts as 44", {0, 45}, 44},
        {"a stream restart counts nothing", {5, 6, resynchronise, 0, 2}, 1},
    };
    for (const auto &c : cases) {
        IMUserial::MissedSampleCounter counter;
        for (const int frame : c.frames) {
            if (frame == resynchronise)
                counter.resynchronise();
            else
                counter.count(static_cast<std::uint8_t>(frame));
        }
        EXPECT_EQ(counter.total(), c.missed) << c.what;
    }
}
