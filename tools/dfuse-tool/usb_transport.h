// DFU devices on the USB bus, through libusb-1.0.
#pragma once

#include "dfu_transport.h"

#include <memory>
#include <vector>

namespace dfu {

// Every interface in DFU mode (class 0xFE, subclass 1, protocol 2), one entry
// per device, described by its alternate setting 0.
std::vector<DeviceDescription> listUsbDfuDevices();

// The first device in DFU mode that speaks DfuSe (bcdDFU 0x011A), claimed and
// set to alternate setting 0; nothing when there is none.
std::unique_ptr<DfuTransport> openUsbDfuseDevice();

} // namespace dfu
