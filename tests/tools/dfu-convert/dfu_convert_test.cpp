// SPDX-License-Identifier: GPL-3.0-or-later
// dfu-convert as a program: output checked against an independent packer where
// one is installed, every refusal leaves no file behind.
#include "dfu_test_support.h"
#include "dfuse_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using dfutest::readBytes;
using dfutest::runProgram;
using dfutest::TemporaryFolder;
using dfutest::writeBytes;
using dfutest::writeText;

dfutest::ProgramResult convert(const std::vector<std::string> &arguments)
{
    return runProgram(DFU_CONVERT_PATH, arguments);
}

std::string hexRecord(int type, unsigned offset, const std::vector<std::uint8_t> &data)
{
    return dfutest::intelHexRecord(type, offset, data) + "\r\n";
}

// Three runs: two joined from out-of-order records, one behind a gap, one
// placed through a segment base.
std::string multiRunHex()
{
    const auto a = dfutest::patternBytes(32, 1);
    const auto b = dfutest::patternBytes(32, 2);
    return hexRecord(4, 0, {0x08, 0x02}) + hexRecord(0, 0x0020, b) +
           hexRecord(0, 0x0000, {a.begin(), a.begin() + 16}) +
           hexRecord(0, 0x0010, {a.begin() + 16, a.end()}) + hexRecord(0, 0x1000, {1, 2, 3}) +
           hexRecord(2, 0, {0x00, 0x10}) + hexRecord(0, 0x0004, {9, 8, 7}) +
           hexRecord(5, 0, {0x08, 0x02, 0x01, 0x01}) + ":00000001FF\r\n";
}

bool independentPackerAvailable()
{
    return dfutest::onPath("dfuse-pack");
}

// The independent packer's output for the same input, or nothing where it
// cannot run (its HEX reading needs a Python module).
std::optional<std::vector<std::uint8_t>>
packIndependently(const std::vector<std::string> &arguments, const std::string &output)
{
    auto full = arguments;
    full.push_back(output);
    if (runProgram("dfuse-pack", full).exitCode != 0)
        return std::nullopt;
    return readBytes(output);
}

TEST(DfuConvert, RawBinariesMatchTheIndependentPackerByteForByte)
{
    if (!independentPackerAvailable())
        GTEST_SKIP() << "dfuse-pack is not installed";
    TemporaryFolder folder;
    for (std::size_t size : {std::size_t(1), std::size_t(2048), std::size_t(70001)}) {
        const std::string input = folder.file("image.bin");
        writeBytes(input, dfutest::patternBytes(size, unsigned(size)));
        for (const std::string &address : {std::string("0x8020000"), std::string("134348800")}) {
            const auto ours = convert({"-b", address + ":" + input, folder.file("ours.dfu")});
            ASSERT_EQ(ours.exitCode, 0) << ours.err;
            const auto theirs =
                packIndependently({"-b", "0x08020000:" + input}, folder.file("theirs.dfu"));
            ASSERT_TRUE(theirs);
            EXPECT_EQ(readBytes(folder.file("ours.dfu")), *theirs)
                << size << " bytes at " << address;
        }
    }
}

TEST(DfuConvert, MultiRunHexMatchesTheIndependentPackerByteForByte)
{
    if (!independentPackerAvailable())
        GTEST_SKIP() << "dfuse-pack is not installed";
    TemporaryFolder folder;
    writeText(folder.file("image.hex"), multiRunHex());
    const auto ours = convert({"-i", folder.file("image.hex"), folder.file("ours.dfu")});
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    const auto theirs =
        packIndependently({"-i", folder.file("image.hex")}, folder.file("theirs.dfu"));
    if (!theirs)
        GTEST_SKIP() << "dfuse-pack cannot read HEX here (python3-intelhex missing)";
    EXPECT_EQ(readBytes(folder.file("ours.dfu")), *theirs);
}

TEST(DfuConvert, MultiRunHexGivesOneSortedElementPerRunAndAValidSuffix)
{
    TemporaryFolder folder;
    writeText(folder.file("image.hex"), multiRunHex());
    const auto result = convert({"-i", folder.file("image.hex"), folder.file("out.dfu")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto file = dfu::parseDfuse(readBytes(folder.file("out.dfu")));
    ASSERT_EQ(file.targets.size(), 1u);
    const auto &elements = file.targets[0].elements;
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].address, 0x00000104u); // segment 0x0010 * 16 + 4
    EXPECT_EQ(elements[1].address, 0x08020000u);
    EXPECT_EQ(elements[1].data.size(), 64u);
    EXPECT_EQ(elements[2].address, 0x08021000u);

    if (dfutest::onPath("dfu-suffix")) {
        const auto check = runProgram("dfu-suffix", {"--check", folder.file("out.dfu")});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        EXPECT_NE(check.out.find("Product ID:\t0xDF11"), std::string::npos) << check.out;
    }
}

struct Refusal
{
    std::string name;
    std::vector<std::uint8_t> input;
    bool hex;
    std::string reason;
};

std::vector<std::uint8_t> bytesOf(const std::string &text)
{
    return {text.begin(), text.end()};
}

std::vector<Refusal> refusals()
{
    const std::string good = hexRecord(0, 0, {1, 2, 3, 4});
    std::string badChecksum = good;
    badChecksum[good.size() - 3] = badChecksum[good.size() - 3] == '0' ? '1' : '0';
    std::vector<std::uint8_t> suffixed = dfutest::patternBytes(64);
    for (char c : std::string("\x00\x00\x11\xdf\x83\x04\x1a\x01UFD\x10\x00\x00\x00\x00", 16))
        suffixed.push_back(std::uint8_t(c));
    const std::string end = ":00000001FF\n";
    return {
        {"bad checksum", bytesOf(badChecksum + end), true, "line 1: bad checksum"},
        {"wrong length", bytesOf(":0500000001020304F2\n" + end), true,
         "line 1: wrong record length"},
        {"non-hex", bytesOf(":04000000010203Z4F2\n" + end), true, "line 1: non-hex character 'Z'"},
        {"missing colon", bytesOf(good.substr(1) + end), true,
         "line 1: record does not start with ':'"},
        {"overlap", bytesOf(good + hexRecord(0, 2, {5}) + end), true,
         "line 2: data overlaps data of line 1"},
        {"cut off", bytesOf(good + good.substr(0, 9)), true, "line 2: wrong record length"},
        {"no end record", bytesOf(good), true,
         "line 1: the file ends without an end-of-file record"},
        {"past 4 GiB", bytesOf(hexRecord(4, 0, {0xFF, 0xFF}) + hexRecord(0, 0xFFFF, {1, 2}) + end),
         true, "line 2: data runs beyond 4 GiB"},
        {"empty hex", {}, true, "the file is empty"},
        {"empty bin", {}, false, "the file is empty"},
        {"suffixed bin", suffixed, false, "the file already carries a DFU suffix"},
    };
}

// Packing is not flashing: an image the flasher would refuse is still
// written, with a warning; an application converts without one.
TEST(DfuConvert, WarnsOfAnImageThatCannotBeTheApplicationButConvertsIt)
{
    TemporaryFolder folder;
    const std::string input = folder.file("image.bin");
    writeBytes(input, dfutest::applicationBytes(4096));
    const auto low = convert({"-b", "0x08000000:" + input, folder.file("low.dfu")});
    EXPECT_EQ(low.exitCode, 0);
    EXPECT_EQ(low.err, "dfu-convert: warning: not an application for this module: image starts at "
                       "0x08000000, the application area starts at 0x08020000\n");
    EXPECT_TRUE(std::filesystem::exists(folder.file("low.dfu")));
    const auto good = convert({"-b", "0x08020000:" + input, folder.file("good.dfu")});
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_EQ(good.err, "");
}

TEST(DfuConvert, EachRefusalNamesFileAndReasonAndLeavesNoOutput)
{
    TemporaryFolder folder;
    const std::string output = folder.file("out.dfu");
    for (const Refusal &r : refusals()) {
        const std::string input = folder.file(r.hex ? "in.hex" : "in.bin");
        writeBytes(input, r.input);
        const auto result =
            r.hex ? convert({"-i", input, output}) : convert({"-b", "0x08020000:" + input, output});
        EXPECT_EQ(result.exitCode, 1) << r.name;
        EXPECT_NE(result.err.find(input + ": " + r.reason), std::string::npos)
            << r.name << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(output)) << r.name;
        std::filesystem::remove(input);
        EXPECT_TRUE(folder.entries().empty()) << r.name << ": left " << folder.entries().front();
    }
}

TEST(DfuConvert, FailuresKeepAnOlderOutputAndUnreadableInputsAreNamed)
{
    TemporaryFolder folder;
    const std::string output = folder.file("out.dfu");
    writeText(output, "older content");
    writeText(folder.file("bad.hex"), ":00000001FE\n");
    EXPECT_EQ(convert({"-i", folder.file("bad.hex"), output}).exitCode, 1);
    EXPECT_EQ(readBytes(output), bytesOf("older content"));

    const auto missing = convert({"-i", folder.file("missing.hex"), output});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(folder.file("missing.hex") + ": cannot open"), std::string::npos)
        << missing.err;
    const auto directory = convert({"-b", "0x08020000:" + folder.path().string(), output});
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_NE(directory.err.find("is a directory"), std::string::npos) << directory.err;

    writeBytes(folder.file("in.bin"), {1, 2, 3});
    const auto beyond = convert({"-b", "0xFFFFFFFE:" + folder.file("in.bin"), output});
    EXPECT_NE(beyond.err.find("runs beyond 4 GiB"), std::string::npos) << beyond.err;
    const auto unwritable = convert(
        {"-b", "0x08020000:" + folder.file("in.bin"), folder.file("no-such-folder/out.dfu")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("no-such-folder/out.dfu: cannot create"), std::string::npos)
        << unwritable.err;
    EXPECT_EQ(readBytes(output), bytesOf("older content"));
}

TEST(DfuConvert, ReplacesAnOlderOutputWholeAndNeverADirectory)
{
    TemporaryFolder folder;
    const auto sortedEntries = [&] {
        auto names = folder.entries();
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::string output = folder.file("out.dfu");
    const auto image = dfutest::patternBytes(5000, 4);
    writeBytes(folder.file("in.bin"), image);
    for (const char *older : {"older content", ""}) {
        writeText(output, older);
        ASSERT_EQ(convert({"-b", "0x08020000:" + folder.file("in.bin"), output}).exitCode, 0);
        const dfu::DfuseFile file = dfu::parseDfuse(readBytes(output));
        ASSERT_EQ(file.targets.at(0).elements.size(), 1u);
        EXPECT_EQ(file.targets[0].elements[0].data, image);
        EXPECT_EQ(sortedEntries(), (std::vector<std::string>{"in.bin", "out.dfu"}));
    }

    const std::string directory = folder.file("out-dir");
    std::filesystem::create_directory(directory);
    writeText(directory + "/kept", "kept");
    EXPECT_EQ(convert({"-b", "0x08020000:" + folder.file("in.bin"), directory}).exitCode, 1);
    EXPECT_EQ(readBytes(directory + "/kept"), bytesOf("kept"));
    EXPECT_EQ(sortedEntries(), (std::vector<std::string>{"in.bin", "out-dir", "out.dfu"}));
}

TEST(DfuConvert, CommandLineMistakesGiveUsageAndExitCode2)
{
    TemporaryFolder folder;
    writeBytes(folder.file("in.bin"), {1});
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{},
          {"-b", folder.file("in.bin"), "out.dfu"},
          {"-b", "0x1G:" + folder.file("in.bin"), "out.dfu"},
          {"-b", "0x100000000:" + folder.file("in.bin"), "out.dfu"},
          {"-b", "0x08020000:", "out.dfu"},
          {"-i", folder.file("in.bin")},
          {"-x", folder.file("in.bin"), "out.dfu"}}) {
        const auto result = convert(arguments);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_NE(result.err.find("Usage: dfu-convert"), std::string::npos);
    }
    EXPECT_EQ(convert({"--help"}).exitCode, 0);
    EXPECT_EQ(convert({"--version"}).out.rfind("dfu-convert ", 0), 0u);
    EXPECT_TRUE(folder.entries() == std::vector<std::string>{"in.bin"});
}

} // namespace
