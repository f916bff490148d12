// SPDX-License-Identifier: GPL-3.0-or-later
// The flash tests of the socket, over USB: listing, flashing, progress and leave.
#include "usb_tool_fixture.h"

namespace {

using dfutest::UsbDfuseTool;

const std::string kListing =
    "Device VID: 0x0483 PID: 0xdf11, DFU version 0x011a, transfer size 2048, alt 0 "
    "\"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg\", serial \"3574364C3034\", usb ";

TEST_F(UsbDfuseTool, ListsTheBootloaderFromItsDescriptorsAndChoosesIt)
{
    const auto listed = tool({"--list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, kListing + "1-4\nUsing usb 1-4\n") << listed.err;
}

TEST_F(UsbDfuseTool, FlashWritesReadsBackAndErasesOnlyTheCoveredPages)
{
    const auto image = dfutest::applicationBytes(256 * 1024 + 100, 3);
    const auto result = tool({"--flash", imageFile(image)});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out.rfind("Using " + kListing + "1-4\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("Flash complete"), std::string::npos);

    const auto &device = fakeusb::device();
    EXPECT_EQ(device.flash().read(kApp, image.size()), image);
    EXPECT_EQ(device.stats().erasedPages,
              (std::vector<std::uint32_t>{kApp, 0x08040000, 0x08060000}));
    EXPECT_EQ(device.stats().earlyPolls, 0u);
    EXPECT_EQ(device.stats().stalls, 0u);
    EXPECT_TRUE(fakeusb::attached()) << "a flash alone must not start the application";
}

TEST_F(UsbDfuseTool, FlashReportsEachPhaseFromZeroToItsTotal)
{
    const auto image = dfutest::applicationBytes(20 * 1024 + 7, 5);
    const auto result = tool({"--flash", imageFile(image)});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t blocks = (image.size() + 2047) / 2048;
    dfutest::expectProgressPhases(result.out, {{"erase", 128 * 1024, 1 + 1},
                                               {"write", image.size(), blocks + 1},
                                               {"verify", image.size(), blocks + 1}});
}

TEST_F(UsbDfuseTool, AWriteErrorMidDownloadFailsWithStatusAndState)
{
    dfusim::BootloaderConfig config;
    config.failingWriteAddress = kApp + 5 * 2048;
    fakeusb::resetBus(1, config);
    const auto result = tool({"--flash", imageFile(dfutest::applicationBytes(32 * 1024))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(
        result.err.find("dfuse-tool: flashing failed: writing 2048 bytes at 0x08022800 failed: "
                        "status errWRITE (device cannot write memory), state dfuERROR"),
        std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find("Flash complete"), std::string::npos);
}

TEST_F(UsbDfuseTool, LeaveStartsAValidApplicationWhichTakesTheBootloaderOffTheBus)
{
    const auto image = dfusim::makeApplicationImage(kApp, {2, 7, 1}, 3000);
    ASSERT_EQ(tool({"--flash", imageFile(image)}).exitCode, 0);
    const auto leave = tool({"--leave"});
    EXPECT_EQ(leave.exitCode, 0) << leave.err;
    EXPECT_NE(leave.out.find("\nprogress leave 0 1\nprogress leave 1 1\n"
                             "Started the application at 0x08020000\n"),
              std::string::npos)
        << leave.out;
    const auto &started = fakeusb::device().startedApplication();
    ASSERT_TRUE(started);
    EXPECT_EQ(started->address, kApp);
    EXPECT_EQ(started->version, (dfusim::FirmwareVersion{2, 7, 1}));
    EXPECT_FALSE(fakeusb::attached());
    EXPECT_EQ(tool({"--list"}).out, "No DFU device found\n");
}

TEST_F(UsbDfuseTool, LeaveWithAnInvalidImageFailsAndTheBootloaderStays)
{
    const auto leave = tool({"--leave"});
    EXPECT_EQ(leave.exitCode, 1);
    EXPECT_NE(leave.err.find("errFIRMWARE"), std::string::npos) << leave.err;
    EXPECT_NE(leave.out.find("progress leave 0 1"), std::string::npos) << leave.out;
    EXPECT_EQ(leave.out.find("progress leave 1 1"), std::string::npos) << leave.out;
    EXPECT_FALSE(fakeusb::device().startedApplication());
    EXPECT_TRUE(fakeusb::attached());
}

} // namespace
