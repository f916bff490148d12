// SPDX-License-Identifier: GPL-3.0-or-later
#include "application_check.h"
#include "intel_hex.h"
#include "memory_layout.h"

#include "dfu_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr std::uint32_t kApp = dfu::kApplicationAddress;

void putWord(std::vector<std::uint8_t> &bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = std::uint8_t(value >> (8 * i));
}

// 4 KiB of pattern under a vector table with the given words.
std::vector<std::uint8_t> withVectors(std::uint32_t stackPointer, std::uint32_t resetVector)
{
    auto bytes = dfutest::patternBytes(4096);
    putWord(bytes, 0, stackPointer);
    putWord(bytes, 4, resetVector);
    return bytes;
}

std::string problemOf(const std::vector<dfu::ImageElement> &elements)
{
    return dfu::checkApplicationImage(elements).problem;
}

TEST(ApplicationCheck, RefusesImagesOutsideTheApplicationAreaOrNotStartingAtIt)
{
    const auto good = dfutest::applicationBytes(4096);
    // A HEX file built for the start of flash, as a boot loader's would be.
    const std::string hex = dfutest::intelHexRecord(4, 0, {0x08, 0x00}) + "\n" +
                            dfutest::intelHexRecord(0, 0, {good.begin(), good.begin() + 16}) +
                            "\n:00000001FF\n";
    EXPECT_EQ(problemOf(dfu::parseIntelHex(hex)),
              "image starts at 0x08000000, the application area starts at 0x08020000");
    EXPECT_EQ(problemOf({{kApp, good}, {0x08010000, {1, 2, 3}}}),
              "image starts at 0x08010000, the application area starts at 0x08020000")
        << "one element below the area, whatever the order of elements";
    EXPECT_EQ(problemOf({{kApp + 0x4000, good}}),
              "image starts at 0x08024000, not at the start of the application area 0x08020000");
    EXPECT_EQ(problemOf({{kApp, good}, {0x080FFFFE, {1, 2, 3}}}),
              "image's last byte at 0x08100000 lies past the end of flash at 0x08100000");
    EXPECT_EQ(problemOf({{0xFFFFFFFF, {1}}}),
              "image starts at 0xffffffff, not at the start of the application area 0x08020000");
    EXPECT_EQ(problemOf({}), "the image holds no data");
    EXPECT_EQ(problemOf({{kApp, {}}}), "the image holds no data");
}

TEST(ApplicationCheck, RefusesAVectorTableThatCouldNotStartTheApplication)
{
    EXPECT_EQ(problemOf({{kApp, {0x00, 0x00, 0x02, 0x20, 0x01}}}),
              "image has no vector table at 0x08020000");
    EXPECT_EQ(problemOf({{kApp, withVectors(0x08001000, kApp + 0x201)}}),
              "initial stack pointer 0x08001000 is not in RAM (0x20000000 to 0x20030000)");
    EXPECT_EQ(problemOf({{kApp, withVectors(dfu::kModuleSramStart, kApp + 0x201)}}),
              "initial stack pointer 0x20000000 is not in RAM (0x20000000 to 0x20030000)")
        << "a descending stack at the first byte of RAM has no room";
    EXPECT_EQ(problemOf({{kApp, withVectors(dfu::kModuleSramEnd + 4, kApp + 0x201)}}),
              "initial stack pointer 0x20030004 is not in RAM (0x20000000 to 0x20030000)");
    EXPECT_EQ(problemOf({{kApp, withVectors(0x20020000, kApp + 0x200)}}),
              "reset vector 0x08020200 is even, not Thumb code");
    EXPECT_EQ(problemOf({{kApp, withVectors(0x20020000, kApp + 4096 + 1)}}),
              "reset vector 0x08021001 points outside the image");

    // The vector table may be split across elements, and the reset handler
    // may lie in a later one.
    const auto table = withVectors(dfu::kModuleSramEnd, kApp + 0x10001);
    EXPECT_EQ(problemOf({{kApp + 4, {table.begin() + 4, table.end()}},
                         {kApp, {table.begin(), table.begin() + 4}},
                         {kApp + 0x10000, {0x70, 0x47}}}),
              "");
}

TEST(ApplicationCheck, ReportsTheStatedVersionWhetherOrNotTheImagePasses)
{
    auto image = dfutest::applicationBytes(4096);
    EXPECT_EQ(dfu::checkApplicationImage({{kApp, image}}).version, std::nullopt);

    std::memcpy(image.data() + 0x100, "IMUFWVER\x03\x0a\x07", 11);
    std::memcpy(image.data() + 0x200, "IMUFWVER\x09\x09\x09", 11);
    const auto check = dfu::checkApplicationImage({{kApp, image}});
    EXPECT_TRUE(check.passed()) << check.problem;
    ASSERT_TRUE(check.version);
    EXPECT_EQ(dfu::versionText(*check.version), "3.10.7") << "the first marker counts";

    const auto low = dfu::checkApplicationImage({{0x08000000, image}});
    EXPECT_FALSE(low.passed());
    EXPECT_EQ(low.version, (dfu::FirmwareVersion{3, 10, 7}));

    std::vector<std::uint8_t> cut = dfutest::applicationBytes(4096);
    std::memcpy(cut.data() + cut.size() - 10, "IMUFWVER\x01\x02", 10);
    EXPECT_EQ(dfu::checkApplicationImage({{kApp, cut}}).version, std::nullopt)
        << "a marker without all three version bytes";
}

} // namespace
