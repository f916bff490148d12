// SPDX-License-Identifier: GPL-3.0-or-later
// Where dfuse-tool looks for devices and which one it takes: USB devices
// first, the simulated bootloader when no USB DFU device is attached, unless
// one kind was asked for; only the device with the serial number asked for,
// when one is.
//
// The serial number is a unit's identity across the jump into its
// bootloader: a station that has several modules in DFU mode at once flashes
// each through the device that reports its unit's serial number, never
// through another.
#pragma once

#include "dfu_transport.h"
#include "dfuse_engine.h"
#include "tool_options.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dfu {

// One place devices are found (the USB bus, the simulator's socket).
class DeviceBackend
{
public:
    virtual ~DeviceBackend() = default;
    // For messages: "on USB", "at the simulated bootloader's socket ...".
    virtual std::string whereLooked() const = 0;
    // Every DFU device found here, only those with `serialNumber` when it is
    // not empty; empty when there is none.
    virtual std::vector<DeviceDescription> list(const std::string &serialNumber) = 0;
    // The first DfuSe device (with `serialNumber` when it is not empty), ready
    // for requests; nothing when there is none. Throws DeviceError when one
    // is there but cannot be used (e.g. no access).
    virtual std::unique_ptr<DfuTransport> openDfuse(const std::string &serialNumber) = 0;
};

struct DeviceListing
{
    std::vector<DeviceDescription> devices;  // the USB devices, then the simulator's
    std::optional<DeviceDescription> chosen; // the one --flash and --leave would take
};

// No device that may be taken is there; the message names where it looked.
class DeviceNotFound : public DeviceError
{
public:
    using DeviceError::DeviceError;
};

class DeviceFinder
{
public:
    // Either back-end may be missing (a build without libusb, or without the
    // simulator). An empty `serialNumber` takes any device.
    DeviceFinder(std::unique_ptr<DeviceBackend> usb, std::unique_ptr<DeviceBackend> simulator,
                 std::optional<DeviceKind> requested, std::string serialNumber = {});

    const std::string &serialNumber() const { return serialNumber_; }

    DeviceListing list();
    // Throws DeviceNotFound when no device can be taken, DeviceError when one
    // is there but cannot be used.
    std::unique_ptr<DfuTransport> open();

private:
    DeviceBackend *backendFor(DeviceKind kind) const;
    DeviceKind resolve(const std::vector<DeviceDescription> &usbDevices) const;

    std::unique_ptr<DeviceBackend> usb_;
    std::unique_ptr<DeviceBackend> simulator_;
    std::optional<DeviceKind> requested_;
    std::string serialNumber_;
};

} // namespace dfu
