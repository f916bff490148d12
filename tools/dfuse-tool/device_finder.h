// Where dfuse-tool looks for devices and which one it takes: USB devices
// first, the simulated bootloader when no USB DFU device is attached, unless
// one kind was asked for.
#pragma once

#include "dfu_transport.h"
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
    // Every DFU device found here; empty when there is none.
    virtual std::vector<DeviceDescription> list() = 0;
    // The first DfuSe device, ready for requests; nothing when there is none.
    // Throws DeviceError when one is there but cannot be used (e.g. no access).
    virtual std::unique_ptr<DfuTransport> openDfuse() = 0;
};

struct DeviceListing
{
    std::vector<DeviceDescription> devices;  // the USB devices, then the simulator's
    std::optional<DeviceDescription> chosen; // the one --flash and --leave would take
};

class DeviceFinder
{
public:
    // Either back-end may be missing (a build without libusb, or without the simulator).
    DeviceFinder(std::unique_ptr<DeviceBackend> usb, std::unique_ptr<DeviceBackend> simulator,
                 std::optional<DeviceKind> requested);

    DeviceListing list();
    // Throws DeviceError naming where it looked when no device can be taken.
    std::unique_ptr<DfuTransport> open();

private:
    DeviceBackend *backendFor(DeviceKind kind) const;
    DeviceKind resolve(const std::vector<DeviceDescription> &usbDevices) const;

    std::unique_ptr<DeviceBackend> usb_;
    std::unique_ptr<DeviceBackend> simulator_;
    std::optional<DeviceKind> requested_;
};

} // namespace dfu
