// dfuse-tool: lists, flashes and restarts STM32 DFU bootloaders.
#include "command_line.h"
#include "tool.h"

#ifdef ORVIK_DFU_WITH_LIBUSB
#include "usb_transport.h"
#endif

#include <iostream>

int main(int argc, char **argv)
{
#ifdef ORVIK_DFU_WITH_LIBUSB
    auto usb = dfu::makeUsbBackend();
#else
    std::unique_ptr<dfu::DeviceBackend> usb;
#endif
    return dfu::runDfuseTool(dfu::utf8Arguments(argc, argv), std::move(usb), std::cout, std::cerr);
}
