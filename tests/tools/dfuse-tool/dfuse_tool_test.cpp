// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool as a program against the simulated bootloader on its socket.
#include "dfu_test_support.h"
#include "flash_test_support.h"
#include "rendezvous.h"
#include "running_bootloader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

namespace {

constexpr std::uint32_t kApp = dfu::kApplicationAddress;
const std::string kSignature = "Device VID: 0x0483 PID: 0xdf11";

using dfutest::dfuseBytes;

class DfuseTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("IMU_SIM_DIR", folder_.path().c_str(), 1);
        // A bootloader on a real USB port must never be what these tests flash.
        setenv("DFUSE_TOOL_DEVICE", "sim", 1);
    }
    void TearDown() override { unsetenv("DFUSE_TOOL_DEVICE"); }

    void startBootloader(const dfusim::BootloaderConfig &config = {})
    {
        bootloader_ = std::make_unique<dfutest::RunningBootloader>(
            imuproto::simulatorBootloaderSocket(), config);
    }
    std::optional<dfusim::StartedApplication> stopBootloader() { return bootloader_->stop(); }
    bool bootloaderStillRunning() { return bootloader_->stillRunning(); }
    dfusim::SimulatedBootloader &device() { return bootloader_->device(); }

    dfutest::ProgramResult tool(const std::vector<std::string> &arguments)
    {
        return dfutest::runProgram(DFUSE_TOOL_PATH, arguments);
    }
    std::string imageFile(const std::vector<std::uint8_t> &bytes)
    {
        const std::string path = folder_.file("image.dfu");
        dfutest::writeBytes(path, bytes);
        return path;
    }

    dfutest::TemporaryFolder folder_;
    std::unique_ptr<dfutest::RunningBootloader> bootloader_;
};

TEST_F(DfuseTool, ListsTheSimulatedBootloaderOnlyWhileItRuns)
{
    const auto none = tool({"--list"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out.find(kSignature), std::string::npos);

    startBootloader();
    const auto listed = tool({"--list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find(kSignature +
                              ", DFU version 0x011a, transfer size 2048, alt 0 "
                              "\"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg\""),
              std::string::npos)
        << listed.out;
}

TEST_F(DfuseTool, FlashWritesReadsBackAndErasesEachCoveredPageOnce)
{
    startBootloader();
    const auto image = dfutest::applicationBytes(256 * 1024 + 100, 3);
    const auto result = tool({"--flash", imageFile(dfuseBytes({{kApp, image}}))});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("Writing 100%"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Flash complete"), std::string::npos);
    EXPECT_EQ(device().readFlash(kApp, image.size()), image);
    const auto stats = device().stats();
    EXPECT_EQ(stats.erasedPages, (std::vector<std::uint32_t>{kApp, 0x08040000, 0x08060000}));
    EXPECT_EQ(stats.earlyPolls, 0u);
    EXPECT_EQ(stats.stalls, 0u);
}

TEST_F(DfuseTool, FlashReportsEachPhaseFromZeroToItsTotalAfterEveryPageAndBlock)
{
    startBootloader();
    const auto image = dfutest::applicationBytes(256 * 1024 + 100, 5);
    const auto result = tool({"--flash", imageFile(dfuseBytes({{kApp, image}}))});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Using " + kSignature, 0), 0u) << result.out;

    const std::size_t blocks = (image.size() + 2047) / 2048;
    dfutest::expectProgressPhases(result.out, {{"erase", 3 * 128 * 1024, 3 + 1},
                                               {"write", image.size(), blocks + 1},
                                               {"verify", image.size(), blocks + 1}});
}

TEST_F(DfuseTool, PathsWithBlanksAndLettersBeyondAsciiConvertAndFlash)
{
    startBootloader();
    const std::string folder = folder_.file("Jürgen Müller");
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    const std::string binary = folder + "/固件 v1.bin";
    const std::string dfuse = folder + "/固件 v1.dfu";
    const auto image = dfutest::applicationBytes(5000, 9);
    dfutest::writeBytes(binary, image);

    const auto converted =
        dfutest::runProgram(DFU_CONVERT_PATH, {"-b", "0x08020000:" + binary, dfuse});
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
    EXPECT_NE(converted.out.find(dfuse), std::string::npos) << converted.out;
    const auto flashed = tool({"--flash", dfuse});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err;
    EXPECT_NE(flashed.out.find("Flashing " + dfuse + "\n"), std::string::npos) << flashed.out;
    EXPECT_EQ(device().readFlash(kApp, image.size()), image);
}

// Files from the microcontroller's example projects name product 0x0000.
TEST_F(DfuseTool, AFileNamingProduct0x0000IsFlashedAsMeantForAnyProduct)
{
    startBootloader();
    const auto image = dfutest::applicationBytes(2048, 5);
    const auto flashed = tool({"--flash", imageFile(dfuseBytes({{kApp, image}}, 0x0000))});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err;
    EXPECT_NE(flashed.out.find("names product 0x0000 (unspecified): taken as any product"),
              std::string::npos)
        << flashed.out;
    EXPECT_EQ(device().readFlash(kApp, image.size()), image);
}

TEST_F(DfuseTool, ABadFileIsRefusedBeforeAnyRequestReachesTheDevice)
{
    startBootloader();
    auto corrupt = dfuseBytes({{kApp, dfutest::patternBytes(4096)}});
    corrupt[600] ^= 0x20;
    const auto crc = tool({"--flash", imageFile(corrupt)});
    EXPECT_EQ(crc.exitCode, 1);
    EXPECT_NE(crc.err.find("image.dfu: CRC mismatch"), std::string::npos) << crc.err;

    auto cut = dfuseBytes({{kApp, dfutest::patternBytes(4096)}});
    cut.resize(cut.size() / 2);
    EXPECT_EQ(tool({"--flash", imageFile(cut)}).exitCode, 1);
    EXPECT_EQ(tool({"--flash", folder_.file("missing.dfu")}).exitCode, 1);
    EXPECT_EQ(device().stats().requests, 0u);

    // These need the device's description, but nothing may be erased.
    const auto foreign =
        tool({"--flash", imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(1024)}}, 0x1234))});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_NE(foreign.err.find("meant for device 0x0483:0x1234"), std::string::npos) << foreign.err;
    EXPECT_EQ(tool({"--force", "--flash",
                    imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(1024)}}, 0x1234))})
                  .exitCode,
              1)
        << "--force does not flash another product's file";
    // Past the device's own map, which a forced image meets.
    const auto outside =
        tool({"--force", "--flash", imageFile(dfuseBytes({{0x080FFFFF, {1, 2}}}))});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_NE(outside.err.find("0x08100000 lies outside"), std::string::npos) << outside.err;
    EXPECT_TRUE(device().stats().erasedPages.empty());
}

TEST_F(DfuseTool, AnImageThatCannotBeTheApplicationIsRefusedUntouchedUnlessForced)
{
    startBootloader();
    const auto before = device().readFlash(0x08000000, 4096);
    const std::string low = imageFile(dfuseBytes({{0x08000000, dfutest::applicationBytes(4096)}}));
    const auto refused = tool({"--flash", low});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(refused.err.rfind("dfuse-tool: refused, not an application for this module: image "
                                "starts at 0x08000000, the application area starts at 0x08020000\n",
                                0),
              0u)
        << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(device().stats().requests, 0u);

    const auto forced = tool({"--flash", low, "--force"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.out.find("Flashing anyway (--force): image starts at 0x08000000"),
              std::string::npos)
        << forced.out;
    EXPECT_NE(device().readFlash(0x08000000, 4096), before);
}

TEST_F(DfuseTool, AFlashSaysWhichVersionTheImageStates)
{
    startBootloader();
    const auto stated =
        tool({"--flash",
              imageFile(dfuseBytes({{kApp, dfusim::makeApplicationImage(kApp, {5, 0, 12})}}))});
    EXPECT_NE(stated.out.find("\nImage version 5.0.12\n"), std::string::npos) << stated.out;
    const auto unstated =
        tool({"--flash", imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(2048)}}))});
    EXPECT_EQ(unstated.exitCode, 0) << unstated.err;
    EXPECT_NE(unstated.out.find("\nImage states no version\n"), std::string::npos) << unstated.out;
}

TEST_F(DfuseTool, ADeviceErrorMidDownloadFailsWithStatusAndState)
{
    dfusim::BootloaderConfig config;
    config.failingWriteAddress = kApp + 40 * 2048;
    startBootloader(config);
    const auto result =
        tool({"--flash", imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(128 * 1024)}}))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(
        result.err.find("dfuse-tool: flashing failed: writing 2048 bytes at 0x08034000 failed: "
                        "status errWRITE (device cannot write memory), state dfuERROR"),
        std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find("Flash complete"), std::string::npos);
}

TEST_F(DfuseTool, ABootloaderThatFallsSilentFailsTheRunAsUnanswered)
{
    dfusim::BootloaderConfig config;
    config.stallAtByte = 8192;
    startBootloader(config);
    const auto result =
        tool({"--flash", imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(64 * 1024)}}))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("the simulated device did not answer within 5 s"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find("Flash complete"), std::string::npos);
}

TEST_F(DfuseTool, LeaveStartsAValidApplicationWithItsVersion)
{
    startBootloader();
    const auto image = dfusim::makeApplicationImage(kApp, {2, 7, 1}, 3000);
    ASSERT_EQ(tool({"--flash", imageFile(dfuseBytes({{kApp, image}}))}).exitCode, 0);
    const auto leave = tool({"--leave"});
    EXPECT_EQ(leave.exitCode, 0) << leave.err;
    EXPECT_NE(leave.out.find("\nprogress leave 0 1\nprogress leave 1 1\n"
                             "Started the application at 0x08020000\n"),
              std::string::npos)
        << leave.out;
    const auto started = stopBootloader();
    ASSERT_TRUE(started);
    EXPECT_EQ(started->address, kApp);
    EXPECT_EQ(started->version, (dfusim::FirmwareVersion{2, 7, 1}));
    EXPECT_FALSE(std::filesystem::exists(imuproto::simulatorBootloaderSocket()));
}

TEST_F(DfuseTool, LeaveWithAnInvalidImageFailsAndTheBootloaderStays)
{
    startBootloader();
    const auto leave = tool({"--leave"});
    EXPECT_EQ(leave.exitCode, 1);
    EXPECT_NE(leave.err.find("errFIRMWARE"), std::string::npos) << leave.err;
    EXPECT_NE(leave.out.find("progress leave 0 1"), std::string::npos) << leave.out;
    EXPECT_EQ(leave.out.find("progress leave 1 1"), std::string::npos) << leave.out;
    EXPECT_TRUE(bootloaderStillRunning());
    EXPECT_NE(tool({"--list"}).out.find(kSignature), std::string::npos);
    EXPECT_FALSE(stopBootloader());
}

// Another user could have prepared a folder anyone may write to; nothing in
// it is used, and each run says why.
TEST_F(DfuseTool, ABootloaderInAFolderOthersMayWriteToIsRefused)
{
    startBootloader();
    ASSERT_EQ(chmod(folder_.path().c_str(), 0777), 0);
    const std::string path = imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(1024)}}));
    const std::string reason = "mode 0777, must be 0700";
    const auto listed = tool({"--list"});
    EXPECT_EQ(listed.out.find(kSignature), std::string::npos) << listed.out;
    EXPECT_NE(listed.err.find(reason), std::string::npos) << listed.err;
    for (const auto &arguments : {std::vector<std::string>{"--flash", path}, {"--leave"}}) {
        const auto result = tool(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    }
    EXPECT_EQ(device().stats().requests, 0u);
    ASSERT_EQ(chmod(folder_.path().c_str(), 0700), 0);
}

TEST_F(DfuseTool, WithoutDeviceFlashAndLeaveFailClearly)
{
    const std::string path = imageFile(dfuseBytes({{kApp, dfutest::applicationBytes(1024)}}));
    for (const auto &arguments : {std::vector<std::string>{"--flash", path}, {"--leave"}}) {
        const auto result = tool(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("no DfuSe device found"), std::string::npos) << result.err;
    }
    EXPECT_EQ(tool({"--flash"}).exitCode, 2);
    EXPECT_NE(tool({"--help"}).out.find("\n  --leave       start the application at 0x08020000\n"),
              std::string::npos);
    EXPECT_EQ(tool({"--list", "--leave"}).exitCode, 2);
}

} // namespace
