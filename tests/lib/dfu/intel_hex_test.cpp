// SPDX-License-Identifier: GPL-3.0-or-later
#include "input_error.h"
#include "intel_hex.h"

#include "dfu_test_support.h"

#include <gtest/gtest.h>

namespace {

std::string record(int type, unsigned offset, const std::vector<std::uint8_t> &data,
                   bool lowerCase = false)
{
    return dfutest::intelHexRecord(type, offset, data, lowerCase);
}

const std::string kEnd = ":00000001FF";

std::string refusal(const std::string &text)
{
    try {
        dfu::parseIntelHex(text);
    } catch (const dfu::InputError &error) {
        return error.what();
    }
    return "accepted";
}

TEST(IntelHex, AcceptsTheUsualVariantsOfWriting)
{
    const std::string base = record(4, 0, {0x08, 0x02});
    const std::string data = record(0, 0x10, {1, 2, 3, 4});
    const std::string lower = record(0, 0x10, {1, 2, 3, 4}, true);
    for (const std::string &text :
         {base + "\n" + data + "\n" + kEnd + "\n", base + "\r\n" + data + "\r\n" + kEnd + "\r\n",
          "\n" + base + "\n\n  " + lower + "\t\n" + kEnd, base + "\n" + data + "\n" + kEnd}) {
        const auto elements = dfu::parseIntelHex(text);
        ASSERT_EQ(elements.size(), 1u) << text;
        EXPECT_EQ(elements[0].address, 0x08020010u);
        EXPECT_EQ(elements[0].data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    }
}

TEST(IntelHex, AddressRecordsSetTheBaseAndStartRecordsAreIgnored)
{
    const std::string text = record(2, 0, {0x10, 0x00}) + "\n" + // segment base 0x10000
                             record(0, 4, {0xAA}) + "\n" + record(3, 0, {0, 0, 0, 0}) + "\n" +
                             record(4, 0, {0x08, 0x00}) + "\n" + record(0, 0, {0xBB}) + "\n" +
                             record(5, 0, {0x08, 0, 1, 0}) + "\n" + kEnd + "\n";
    const auto elements = dfu::parseIntelHex(text);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].address, 0x10004u);
    EXPECT_EQ(elements[1].address, 0x08000000u);
    EXPECT_EQ(elements[1].data, std::vector<std::uint8_t>{0xBB});
}

TEST(IntelHex, JoinsRecordsInAnyOrderAndSplitsAtGaps)
{
    const std::string text = record(0, 0x20, {5, 6}) + "\n" + record(0, 0x00, {1, 2}) + "\n" +
                             record(0, 0x02, {3, 4}) + "\n" + record(0, 0x22, {7}) + "\n" + kEnd;
    const auto elements = dfu::parseIntelHex(text);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].address, 0x00u);
    EXPECT_EQ(elements[0].data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(elements[1].address, 0x20u);
    EXPECT_EQ(elements[1].data, (std::vector<std::uint8_t>{5, 6, 7}));
}

TEST(IntelHex, RefusesMalformedRecordsNamingTheLine)
{
    const std::string good = record(0, 0, {1, 2, 3, 4});
    std::string badChecksum = good;
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const std::string shortByOne = good.substr(0, good.size() - 2) + good.substr(good.size() - 1);
    std::string nonHex = good;
    nonHex[5] = 'G';
    std::string nonPrintable = good;
    nonPrintable[5] = '\xE9';
    struct Case
    {
        std::string line;
        std::string expected;
    };
    for (const Case &c : {Case{badChecksum, "line 2: bad checksum"},
                          Case{shortByOne, "line 2: wrong record length"},
                          Case{good + "00", "line 2: wrong record length"},
                          Case{nonHex, "line 2: non-hex character 'G'"},
                          Case{nonPrintable, "line 2: non-hex character byte 0xe9"},
                          Case{good.substr(1), "line 2: record does not start with ':'"},
                          Case{record(6, 0, {}), "line 2: unknown record type"},
                          Case{record(4, 0, {1}), "line 2: wrong record length"},
                          Case{record(1, 0, {0}), "line 2: wrong record length"}}) {
        const std::string text = record(0, 0x100, {9}) + "\n" + c.line + "\n" + kEnd + "\n";
        EXPECT_EQ(refusal(text).rfind(c.expected, 0), 0u) << c.line << " -> " << refusal(text);
    }
}

TEST(IntelHex, RefusesOverlapsCutOffFilesAndDataPast4GiB)
{
    const std::string a = record(0, 0x10, {1, 2, 3, 4});
    const std::string b = record(0, 0x13, {9});
    EXPECT_EQ(refusal(a + "\n" + record(0, 0, {7}) + "\n" + b + "\n" + kEnd),
              "line 3: data overlaps data of line 1");
    EXPECT_EQ(refusal(a + "\n" + a + "\n" + kEnd), "line 2: data overlaps data of line 1");
    EXPECT_EQ(refusal(a + "\n" + a.substr(0, 7)).rfind("line 2: wrong record length", 0), 0u);
    EXPECT_EQ(refusal(a + "\n"), "line 1: the file ends without an end-of-file record (cut off?)");
    EXPECT_EQ(refusal(a + "\n" + kEnd + "\n" + a + "\n"),
              "line 3: content after the end-of-file record");
    EXPECT_EQ(
        refusal(record(4, 0, {0xFF, 0xFF}) + "\n" + record(0, 0xFFFE, {1, 2, 3}) + "\n" + kEnd),
        "line 2: data runs beyond 4 GiB");
    EXPECT_EQ(refusal(""), "line 1: the file ends without an end-of-file record (cut off?)");
    EXPECT_EQ(refusal(kEnd + "\n"), "no data records");
}

TEST(IntelHex, DataEndingExactlyAtTheTopOfTheAddressSpaceIsAccepted)
{
    const auto elements = dfu::parseIntelHex(record(4, 0, {0xFF, 0xFF}) + "\n" +
                                             record(0, 0xFFFE, {1, 2}) + "\n" + kEnd);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].address, 0xFFFFFFFEu);
}

// A run of `count` 16-byte records from 0x0800FF00, across the 64 KiB
// boundary, with line ends and letter case changing from record to record.
struct LongRun
{
    std::vector<std::string> lines;
    std::vector<std::uint8_t> data;
};

LongRun longRun(std::size_t count)
{
    LongRun run;
    run.lines.push_back(record(4, 0, {0x08, 0x00}));
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t address = 0xFF00 + std::uint32_t(i) * 16;
        if (address == 0x10000)
            run.lines.push_back(record(4, 0, {0x08, 0x01}));
        std::vector<std::uint8_t> bytes(16);
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = std::uint8_t(i * 7 + b * 13);
        run.lines.push_back(record(0, address & 0xFFFF, bytes, i % 2 == 1));
        run.data.insert(run.data.end(), bytes.begin(), bytes.end());
    }
    run.lines.push_back(kEnd);
    return run;
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += lines[i] + (i % 3 == 0 ? "\r\n" : "\n");
    return text;
}

TEST(IntelHex, LongRunsJoinIntoOneElementAndStillNameTheFaultyLine)
{
    LongRun run = longRun(300);
    const auto elements = dfu::parseIntelHex(joined(run.lines));
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].address, 0x0800FF00u);
    EXPECT_EQ(elements[0].data, run.data);

    auto badChecksum = run.lines;
    badChecksum[200].back() = badChecksum[200].back() == '0' ? '1' : '0';
    EXPECT_EQ(refusal(joined(badChecksum)), "line 201: bad checksum");

    // Line 6 writes again the bytes of line 4, both inside the joined run.
    auto overlapping = run.lines;
    overlapping.insert(overlapping.begin() + 5, run.lines[3]);
    EXPECT_EQ(refusal(joined(overlapping)), "line 6: data overlaps data of line 4");
    auto overlapAtTheEnd = run.lines;
    overlapAtTheEnd.insert(overlapAtTheEnd.end() - 1, record(4, 0, {0x08, 0x00}));
    overlapAtTheEnd.insert(overlapAtTheEnd.end() - 1, record(0, 0xFF08, {1}));
    EXPECT_EQ(refusal(joined(overlapAtTheEnd)), "line 304: data overlaps data of line 2");
}

TEST(IntelHex, RecordLengthsAtAndBeyondTheLargestByteCount)
{
    const std::vector<std::uint8_t> largest(255, 0x5A);
    const auto elements = dfu::parseIntelHex(record(0, 0, largest) + "\n" + kEnd);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].data, largest);

    std::string overlong = record(0, 0, largest);
    overlong.insert(overlong.size() - 2, std::string(90, 'A')); // 45 bytes more
    EXPECT_EQ(refusal(overlong + "\n" + kEnd),
              "line 1: wrong record length: byte count 255 but 300 data bytes");
    overlong[overlong.size() - 3] = 'x';
    EXPECT_EQ(refusal(overlong + "\n" + kEnd), "line 1: non-hex character 'x'");
    EXPECT_EQ(refusal(":" + std::string(7, '0') + "\n" + kEnd),
              "line 1: wrong record length (7 hex digits)");
}

} // namespace
