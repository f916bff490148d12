// SPDX-License-Identifier: GPL-3.0-or-later
// The control side of the libusb stand-in: a simulated USB bus whose DFU-mode
// devices are simulated bootloaders, plus faults for tests to inject. The
// libusb functions (fake_libusb.cpp) see exactly this bus.
#pragma once

#include "bootloader_device.h"

#include <libusb-1.0/libusb.h>

#include <cstddef>
#include <optional>

namespace fakeusb {

// A class request that fails once, the way a real transfer can.
struct Fault
{
    // The request that fails; any class request when empty.
    std::optional<dfu::Request> request;
    // Only the GETSTATUS right after the zero-length download, which asks
    // the device to start its application.
    bool duringLeave = false;
    // Matching requests that pass before the one that fails.
    unsigned skip = 0;
    int error = LIBUSB_ERROR_PIPE;
    // Gone from the bus after the failed request (it reset). During a leave
    // the device has then started its application.
    bool deviceLeavesBus = false;
};

// Empties the bus and attaches `count` simulated bootloaders, freshly started,
// at usb 1-4 and then at usb 1-2.3, usb 1-2.4 and so on. Clears every fault.
void resetBus(std::size_t count = 1, const dfusim::BootloaderConfig &config = {});

dfusim::BootloaderDevice &device(std::size_t index = 0);
// False once the device reset into its application or dropped off.
bool attached(std::size_t index = 0);

// Arms one fault on the first device; it fires once.
void injectFault(const Fault &fault);
bool faultFired();

// While set, opening any device fails with LIBUSB_ERROR_ACCESS (no udev rule).
void denyAccess(bool denied);

} // namespace fakeusb
