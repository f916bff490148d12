// SPDX-License-Identifier: GPL-3.0-or-later
// Which device dfuse-tool takes when a USB bootloader (a stand-in carried to a
// simulated bootloader) and the module simulator's bootloader are both there.
#include "dfu_test_support.h"
#include "dfuse_file.h"
#include "rendezvous.h"
#include "running_bootloader.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr std::uint32_t kApp = dfu::kApplicationAddress;
const std::string kSignature = "Device VID: 0x0483 PID: 0xdf11";
const std::string kUsbLocation = "usb 1-4 (stand-in)";

class DeviceChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("IMU_SIM_DIR", rendezvous_.path().c_str(), 1);
        setenv("DFUSE_STANDIN_SOCKET", usbSocket_.c_str(), 1);
        unsetenv("DFUSE_TOOL_DEVICE");
        unsetenv("DFUSE_STANDIN_ACCESS");
        simulator_ =
            std::make_unique<dfutest::RunningBootloader>(imuproto::simulatorBootloaderSocket());
        usb_ = std::make_unique<dfutest::RunningBootloader>(usbSocket_);
        untouched_ = simulator_->device().readFlash(kApp, image_.size());
    }
    void TearDown() override
    {
        for (const char *name :
             {"DFUSE_STANDIN_SOCKET", "DFUSE_TOOL_DEVICE", "DFUSE_STANDIN_ACCESS"})
            unsetenv(name);
    }

    dfutest::ProgramResult tool(const std::vector<std::string> &arguments)
    {
        return dfutest::runProgram(DFUSE_TOOL_STANDIN_PATH, arguments);
    }
    std::string imageFile()
    {
        dfu::DfuseFile file;
        file.targets.push_back({});
        file.targets[0].elements = {{kApp, image_}};
        const std::string path = rendezvous_.file("image.dfu");
        dfutest::writeBytes(path, dfu::serializeDfuse(file));
        return path;
    }
    bool holdsImage(dfutest::RunningBootloader &bootloader)
    {
        return bootloader.device().readFlash(kApp, image_.size()) == image_;
    }
    // Not a single request reached it, and its flash is as it was.
    void expectUntouched(dfutest::RunningBootloader &bootloader)
    {
        EXPECT_TRUE(bootloader.device().stats().erasedPages.empty());
        EXPECT_EQ(bootloader.device().readFlash(kApp, image_.size()), untouched_);
    }

    dfutest::TemporaryFolder rendezvous_;
    dfutest::TemporaryFolder bus_;
    const std::string usbSocket_ = bus_.file("stand-in.sock");
    const std::vector<std::uint8_t> image_ = dfutest::applicationBytes(20000, 4);
    std::vector<std::uint8_t> untouched_;
    std::unique_ptr<dfutest::RunningBootloader> simulator_;
    std::unique_ptr<dfutest::RunningBootloader> usb_;
};

TEST_F(DeviceChoice, AUsbBootloaderIsPreferredToARunningSimulator)
{
    const auto listed = tool({"--list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("\n" + kSignature), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.rfind(kSignature, 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find(", " + kUsbLocation + "\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(", simulator " + imuproto::simulatorBootloaderSocket() + "\n"),
              std::string::npos)
        << listed.out;
    const std::string usingLine = "Using " + kUsbLocation + "\n";
    EXPECT_EQ(listed.out.substr(listed.out.size() - usingLine.size()), usingLine);

    const auto flashed = tool({"--flash", imageFile()});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err;
    EXPECT_EQ(flashed.out.rfind("Using " + kSignature, 0), 0u) << flashed.out;
    EXPECT_NE(flashed.out.find(kUsbLocation + "\n"), std::string::npos) << flashed.out;
    EXPECT_TRUE(holdsImage(*usb_));
    expectUntouched(*simulator_);

    usb_->device().loadFlash(kApp, dfusim::makeApplicationImage(kApp, {1, 2, 3}, 4000));
    const auto left = tool({"--leave"});
    EXPECT_EQ(left.exitCode, 0) << left.err;
    ASSERT_TRUE(usb_->stop());
    EXPECT_TRUE(simulator_->stillRunning());
}

TEST_F(DeviceChoice, TheSimulatorIsTakenWhenChosenByOptionOrEnvironment)
{
    const auto byOption = tool({"--device", "sim", "--flash", imageFile()});
    ASSERT_EQ(byOption.exitCode, 0) << byOption.err;
    EXPECT_NE(byOption.out.find("simulator " + imuproto::simulatorBootloaderSocket() + "\n"),
              std::string::npos)
        << byOption.out;
    EXPECT_TRUE(holdsImage(*simulator_));
    expectUntouched(*usb_);

    setenv("DFUSE_TOOL_DEVICE", "sim", 1);
    const auto listed = tool({"--list"});
    EXPECT_NE(listed.out.find(kUsbLocation), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\nUsing simulator " + imuproto::simulatorBootloaderSocket()),
              std::string::npos)
        << listed.out;

    // The option wins over the environment.
    const auto byBoth = tool({"--device", "usb", "--flash", imageFile()});
    ASSERT_EQ(byBoth.exitCode, 0) << byBoth.err;
    EXPECT_TRUE(holdsImage(*usb_));
}

TEST_F(DeviceChoice, WithoutAUsbDeviceTheSimulatorServesUnlessUsbIsAskedFor)
{
    unsetenv("DFUSE_STANDIN_SOCKET");
    const auto usbOnly = tool({"--device", "usb", "--flash", imageFile()});
    EXPECT_EQ(usbOnly.exitCode, 1);
    EXPECT_NE(usbOnly.err.find("no DfuSe device found (looked on USB)"), std::string::npos)
        << usbOnly.err;
    expectUntouched(*simulator_);

    const auto flashed = tool({"--flash", imageFile()});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err;
    EXPECT_TRUE(holdsImage(*simulator_));
}

TEST_F(DeviceChoice, RefusedUsbAccessExplainsTheUdevRuleAndNeverFallsBackToTheSimulator)
{
    setenv("DFUSE_STANDIN_ACCESS", "denied", 1);
    const auto flashed = tool({"--flash", imageFile()});
    EXPECT_EQ(flashed.exitCode, 1);
    for (const char *advice :
         {"refused access to the USB device at usb 1-4 (stand-in)", "udev rule",
          "sudo cp packaging/linux/70-orvik-imu.rules /etc/udev/rules.d/",
          "sudo udevadm control --reload-rules", "plug it in again"})
        EXPECT_NE(flashed.err.find(advice), std::string::npos) << advice << "\n" << flashed.err;
    expectUntouched(*simulator_);
}

TEST_F(DeviceChoice, AnUnknownDeviceKindIsACommandLineMistake)
{
    setenv("DFUSE_TOOL_DEVICE", "serial", 1);
    const auto fromEnvironment = tool({"--list"});
    EXPECT_EQ(fromEnvironment.exitCode, 2);
    EXPECT_NE(fromEnvironment.err.find("DFUSE_TOOL_DEVICE must be usb or sim"), std::string::npos)
        << fromEnvironment.err;
    EXPECT_EQ(tool({"--device", "serial", "--list"}).exitCode, 2);
    EXPECT_EQ(tool({"--list", "--device", "sim"}).exitCode, 2);
}

} // namespace
