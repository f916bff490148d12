// SPDX-License-Identifier: GPL-3.0-or-later
// DFU devices on the USB bus, through libusb-1.0.
#pragma once

#include "device_finder.h"

#include <memory>

namespace dfu {

// Lists every interface in DFU mode (class 0xFE, subclass 1, protocol 2), one
// entry per device, described by its alternate setting 0; opens the first
// that speaks DfuSe (bcdDFU 0x011A), claimed and set to alternate setting 0.
std::unique_ptr<DeviceBackend> makeUsbBackend();

} // namespace dfu
