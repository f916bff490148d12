// SPDX-License-Identifier: GPL-3.0-or-later
// Faults at the USB level: what dfuse-tool's USB back-end makes of stalls,
// time-outs, a device that resets, refused access and more than one device.
#include "usb_tool_fixture.h"

namespace {

using dfu::Request;
using dfutest::UsbDfuseTool;

struct FaultCase
{
    fakeusb::Fault fault;
    std::string message;
};

TEST_F(UsbDfuseTool, AStallOrATimeOutFailsTheFlashNamingTheRequest)
{
    const std::vector<FaultCase> cases{
        {{Request::Download, false, 3, LIBUSB_ERROR_PIPE, false},
         "writing 2048 bytes at 0x08020800 failed: USB: LIBUSB_ERROR_PIPE (the device stalled)"},
        {{Request::GetStatus, false, 6, LIBUSB_ERROR_TIMEOUT, false},
         "failed: USB: LIBUSB_ERROR_TIMEOUT"},
        {{Request::Upload, false, 1, LIBUSB_ERROR_PIPE, false},
         "USB: LIBUSB_ERROR_PIPE (the device stalled)"},
    };
    const std::string path = imageFile(dfutest::applicationBytes(16 * 1024));
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.message);
        fakeusb::resetBus();
        fakeusb::injectFault(c.fault);
        const auto result = tool({"--flash", path});
        EXPECT_TRUE(fakeusb::faultFired());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("dfuse-tool: flashing failed: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("Flash complete"), std::string::npos);
    }
}

// A device that resets into its application may not answer the last request;
// only a disconnection counts as that, never an error of a device still there.
TEST_F(UsbDfuseTool, LeaveCountsOnlyADeviceGoneFromTheBusAsStarted)
{
    struct LeaveCase
    {
        int error;
        bool leavesBus;
        int exitCode;
        std::string message;
    };
    const std::vector<LeaveCase> cases{
        {LIBUSB_ERROR_NO_DEVICE, true, 0, "Started the application at 0x08020000"},
        {LIBUSB_ERROR_IO, true, 0, "Started the application at 0x08020000"},
        {LIBUSB_ERROR_IO, false, 1,
         "dfuse-tool: leaving DFU mode failed: starting the application failed: "
         "USB: LIBUSB_ERROR_IO (the device is still attached)"},
        {LIBUSB_ERROR_PIPE, false, 1,
         "starting the application failed: USB: LIBUSB_ERROR_PIPE (the device stalled)"},
    };
    const std::string path = imageFile(dfusim::makeApplicationImage(kApp, {1, 0, 0}, 2048));
    for (const LeaveCase &c : cases) {
        SCOPED_TRACE(c.message);
        fakeusb::resetBus();
        ASSERT_EQ(tool({"--flash", path}).exitCode, 0);
        fakeusb::injectFault({Request::GetStatus, true, 0, c.error, c.leavesBus});
        const auto result = tool({"--leave"});
        EXPECT_TRUE(fakeusb::faultFired());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE((result.out + result.err).find(c.message), std::string::npos)
            << result.out << result.err;
        EXPECT_EQ(result.out.find("progress leave 1 1") != std::string::npos, c.exitCode == 0);
    }
}

TEST_F(UsbDfuseTool, RefusedAccessExplainsTheUdevRuleAndDoesNotFallBack)
{
    fakeusb::denyAccess(true);
    const auto flashed = tool({"--flash", imageFile(dfutest::applicationBytes(2048))});
    EXPECT_EQ(flashed.exitCode, 1);
    EXPECT_NE(flashed.err.find("the system refused access to the USB device at usb 1-4. The udev "
                               "rule that lets the logged-in user use the module is not installed"),
              std::string::npos)
        << flashed.err;
    EXPECT_NE(flashed.err.find("sudo cp packaging/linux/70-orvik-imu.rules /etc/udev/rules.d/"),
              std::string::npos);
    EXPECT_EQ(fakeusb::device().stats().requests, 0u);
    // Listing needs no access beyond the descriptors the system hands out.
    EXPECT_EQ(tool({"--list"}).out.rfind("Device VID: 0x0483 PID: 0xdf11", 0), 0u);
}

TEST_F(UsbDfuseTool, OfTwoMatchingDevicesTheFirstIsFlashedUnlessASerialNumberNamesOne)
{
    fakeusb::resetBus(2);
    const auto listed = tool({"--list"});
    EXPECT_NE(listed.out.find("serial \"3574364C3034\", usb 1-4\n"), std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("serial \"3574364C3035\", usb 1-2.3\nUsing usb 1-4\n"),
              std::string::npos)
        << listed.out;

    const auto image = dfutest::applicationBytes(4096, 8);
    ASSERT_EQ(tool({"--flash", imageFile(image)}).exitCode, 0);
    EXPECT_EQ(fakeusb::device(0).flash().read(kApp, image.size()), image);
    EXPECT_EQ(fakeusb::device(1).stats().requests, 0u);

    const auto other = dfutest::applicationBytes(4096, 9);
    ASSERT_EQ(tool({"--serial", "3574364C3035", "--flash", imageFile(other)}).exitCode, 0);
    EXPECT_EQ(fakeusb::device(1).flash().read(kApp, other.size()), other);
    EXPECT_EQ(fakeusb::device(0).flash().read(kApp, image.size()), image);

    // A unit that is not there: nothing is done to the others, whatever was asked.
    const auto requests = fakeusb::device(0).stats().requests + fakeusb::device(1).stats().requests;
    for (const std::vector<std::string> &absent :
         {std::vector<std::string>{"--flash", imageFile(other)}, {"--leave"}, {"--list"}}) {
        std::vector<std::string> line{"--serial", "3574364C3099"};
        line.insert(line.end(), absent.begin(), absent.end());
        const auto result = tool(line);
        EXPECT_EQ(result.exitCode, 3) << absent.front() << result.out << result.err;
        EXPECT_NE((result.out + result.err).find("serial number 3574364C3099"), std::string::npos);
    }
    EXPECT_EQ(fakeusb::device(0).stats().requests + fakeusb::device(1).stats().requests, requests);
}

TEST_F(UsbDfuseTool, WithNoDeviceOnTheBusARunSaysWhereItLooked)
{
    fakeusb::resetBus(0);
    const auto result = tool({"--device", "usb", "--leave"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no DfuSe device found (looked on USB)"), std::string::npos)
        << result.err;
}

} // namespace
