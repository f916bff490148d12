// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool run in-process with its real USB back-end, which is linked
// against the libusb stand-in: every request reaches a simulated bootloader
// on the stand-in's bus.
#pragma once

#include "dfu_test_support.h"
#include "fake_usb_bus.h"
#include "flash_test_support.h"
#include "tool.h"
#include "usb_transport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace dfutest {

class UsbDfuseTool : public ::testing::Test
{
protected:
    static constexpr std::uint32_t kApp = dfu::kApplicationAddress;

    void SetUp() override
    {
        // No simulator socket is found in an empty folder, so only the bus counts.
        setenv("IMU_SIM_DIR", folder_.path().c_str(), 1);
        unsetenv("DFUSE_TOOL_DEVICE");
        fakeusb::resetBus();
    }

    ProgramResult tool(const std::vector<std::string> &arguments)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int code = dfu::runDfuseTool(arguments, dfu::makeUsbBackend(), out, err);
        return {code, out.str(), err.str()};
    }

    std::string imageFile(const std::vector<std::uint8_t> &application)
    {
        const std::string path = folder_.file("image.dfu");
        writeBytes(path, dfuseBytes({{kApp, application}}));
        return path;
    }

    TemporaryFolder folder_;
};

} // namespace dfutest
