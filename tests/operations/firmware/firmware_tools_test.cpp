// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware programs' arguments and the flasher's progress lines.
#include "firmware/firmware_tools.h"
#include "firmware/flash_progress.h"

#include <gtest/gtest.h>

#include <optional>

using namespace firmware;

TEST(FirmwareTools, ConverterArgumentsAndTheDfuSuffixRule)
{
    EXPECT_EQ(converterArguments("C:/fw/A B.Bin", "o.dfu"),
              (QStringList{"-b", "0x8020000:C:/fw/A B.Bin", "o.dfu"}));
    EXPECT_EQ(converterArguments("x.HEX", "o.dfu"),
              (QStringList{"-i", "x.HEX", "o.dfu"}));
    EXPECT_EQ(withDfuSuffix("a.Dfu"), "a.Dfu");
    EXPECT_EQ(withDfuSuffix("a.dfu.bak"), "a.dfu.bak.dfu");
    EXPECT_EQ(imageKind("/x/FIRMWARE.BIN"), "bin");
    EXPECT_EQ(imageKind("/x.y/firmware"), "");
}

TEST(FlashProgressLine, OnlyTheExactFourFieldsWithDoneNotAboveTotalCount)
{
    const struct
    {
        const char *line;
        std::optional<FlashProgress> expected;
    } cases[] = {
        {"progress erase 0 131072", FlashProgress{FirmwarePhase::Erase, 0, 131072}},
        {"progress write 2048 917504\n", FlashProgress{FirmwarePhase::Write, 2048, 917504}},
        {"progress verify 5 5\r\n", FlashProgress{FirmwarePhase::Verify, 5, 5}},
        {"progress leave 1 1", FlashProgress{FirmwarePhase::Leave, 1, 1}},
        {"progress write 999999999999999999 999999999999999999",
         FlashProgress{FirmwarePhase::Write, 999999999999999999, 999999999999999999}},
        {"progress write 5 4", std::nullopt},
        {"progress  write 1 2", std::nullopt},
        {"progress write 1 2 ", std::nullopt},
        {" progress write 1 2", std::nullopt},
        {"progress write 1 2 3", std::nullopt},
        {"progress write 1", std::nullopt},
        {"progress write -1 2", std::nullopt},
        {"progress write +1 2", std::nullopt},
        {"progress write 0x1 2", std::nullopt},
        {"progress write 1 1000000000000000000", std::nullopt},
        {"progress convert 1 2", std::nullopt},
        {"progress Write 1 2", std::nullopt},
        {"Progress write 1 2", std::nullopt},
        {"progress\twrite 1 2", std::nullopt},
        {"progress write 1 2\n\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<FlashProgress> parsed = parseProgressLine(c.line);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.line;
        if (parsed) {
            EXPECT_EQ(parsed->phase, c.expected->phase) << c.line;
            EXPECT_EQ(parsed->done, c.expected->done) << c.line;
            EXPECT_EQ(parsed->total, c.expected->total) << c.line;
        }
    }
}
