// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool: lists, flashes and restarts STM32 DFU bootloaders.
#include "command_line.h"
#include "tool.h"

#ifdef ORVIK_DFU_WITH_LIBUSB
#include "usb_transport.h"
#endif

#include <iostream>

#ifdef __linux__
#include <sys/prctl.h>
#endif

int main(int argc, char **argv)
{
#ifdef __linux__
    // The device's poll timeouts are a few milliseconds each and a flash waits
    // hundreds of them: without this, Linux may end every sleep up to 50 µs late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
#ifdef ORVIK_DFU_WITH_LIBUSB
    auto usb = dfu::makeUsbBackend();
#else
    std::unique_ptr<dfu::DeviceBackend> usb;
#endif
    return dfu::runDfuseTool(dfu::utf8Arguments(argc, argv), std::move(usb), std::cout, std::cerr);
}
