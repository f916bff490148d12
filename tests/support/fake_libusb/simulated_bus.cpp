// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_bus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fakeusb {

namespace {

constexpr std::uint8_t kDirectionIn = 0x80;
constexpr std::uint8_t kTypeMask = 0x60;
constexpr std::uint8_t kTypeStandard = 0x00;
constexpr std::uint8_t kTypeClass = 0x20;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kDfuInterface = 0;
// Only alternate setting 0, the flash, is backed by the simulated bootloader.
constexpr int kFlashAlternate = 0;

std::vector<std::uint8_t> portsOf(std::size_t index)
{
    if (index == 0)
        return {4};
    return {2, std::uint8_t(2 + index)};
}

// Set ORVIK_FAKE_USB_TRACE to see every class request on stderr, e.g. while
// running another program against the stand-in.
void trace(std::uint8_t request, std::uint16_t value, std::uint16_t length, int result)
{
    static const bool enabled = std::getenv("ORVIK_FAKE_USB_TRACE") != nullptr;
    if (enabled)
        std::fprintf(stderr, "fake usb: request %u value %u length %u -> %d\n", request, value,
                     length, result);
}

int copyOut(const std::vector<std::uint8_t> &bytes, unsigned char *data, std::uint16_t length)
{
    const std::size_t n = std::min<std::size_t>(bytes.size(), length);
    if (n)
        std::memcpy(data, bytes.data(), n);
    return int(n);
}

} // namespace

SimulatedBus &SimulatedBus::instance()
{
    static SimulatedBus bus;
    return bus;
}

void SimulatedBus::reset(std::size_t count, const dfusim::BootloaderConfig &config)
{
    devices_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        auto device = std::make_unique<SimulatedDevice>();
        device->bootloader = std::make_unique<dfusim::BootloaderDevice>(config);
        device->descriptors = bootloaderDescriptors(device->bootloader->description(),
                                                    "3574364C30" + std::to_string(34 + i));
        device->address = std::uint8_t(5 + i);
        device->ports = portsOf(i);
        devices_.push_back(std::move(device));
    }
    fault.reset();
    faultFired = false;
    accessDenied = false;
}

std::vector<SimulatedDevice *> SimulatedBus::attachedDevices() const
{
    std::vector<SimulatedDevice *> found;
    for (const auto &device : devices_)
        if (device->attached)
            found.push_back(device.get());
    return found;
}

int SimulatedBus::controlTransfer(libusb_device_handle &handle, std::uint8_t requestType,
                                  std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                  unsigned char *data, std::uint16_t length)
{
    SimulatedDevice &device = *handle.device->simulated;
    if (!device.attached)
        return LIBUSB_ERROR_NO_DEVICE;
    switch (requestType & kTypeMask) {
    case kTypeStandard:
        return standardRequest(device, request, value, data, length);
    case kTypeClass:
        if (index != kDfuInterface || handle.alternate != kFlashAlternate)
            return LIBUSB_ERROR_PIPE;
        return classRequest(device, !(requestType & kDirectionIn), request, value, data, length);
    default:
        return LIBUSB_ERROR_PIPE;
    }
}

// GET_DESCRIPTOR answers; every other standard request (SET_INTERFACE and
// the like) is accepted.
int SimulatedBus::standardRequest(const SimulatedDevice &device, std::uint8_t request,
                                  std::uint16_t value, unsigned char *data,
                                  std::uint16_t length) const
{
    if (request != kGetDescriptor)
        return 0;
    const DescriptorSet &set = device.descriptors;
    switch (value >> 8) {
    case kDeviceDescriptorType:
        return copyOut(set.device, data, length);
    case kConfigDescriptorType:
        return copyOut(set.configuration, data, length);
    case kStringDescriptorType: {
        const auto text = stringDescriptor(set, std::uint8_t(value));
        return text.empty() ? LIBUSB_ERROR_PIPE : copyOut(text, data, length);
    }
    default:
        return LIBUSB_ERROR_PIPE;
    }
}

int SimulatedBus::classRequest(SimulatedDevice &device, bool toDevice, std::uint8_t request,
                               std::uint16_t value, unsigned char *data, std::uint16_t length)
{
    dfu::simwire::RequestMessage message{request, value, length, {}};
    if (toDevice)
        message.payload.assign(data, data + length);
    const bool leaving = device.leaveAsked && request == std::uint8_t(dfu::Request::GetStatus);
    device.leaveAsked = false;

    if (const auto failure = takeFault(device, request, leaving)) {
        if (failure->deviceLeavesBus) {
            if (leaving)
                device.bootloader->handle(message, dfusim::Clock::now());
            device.attached = false;
        }
        trace(request, value, length, failure->error);
        return failure->error;
    }
    const auto response = device.bootloader->handle(message, dfusim::Clock::now());
    const int result = response.stalled ? LIBUSB_ERROR_PIPE
                       : toDevice       ? int(length)
                                        : copyOut(response.data, data, length);
    trace(request, value, length, result);
    if (response.stalled)
        return result;
    device.leaveAsked = toDevice && request == std::uint8_t(dfu::Request::Download) && length == 0;
    // A started application has reset the chip: the bootloader is gone from the bus.
    if (device.bootloader->startedApplication())
        device.attached = false;
    return result;
}

std::optional<Fault> SimulatedBus::takeFault(const SimulatedDevice &device, std::uint8_t request,
                                             bool leaving)
{
    if (!fault || &device != devices_.front().get())
        return std::nullopt;
    if ((fault->request && std::uint8_t(*fault->request) != request) ||
        (fault->duringLeave && !leaving))
        return std::nullopt;
    if (fault->skip > 0) {
        --fault->skip;
        return std::nullopt;
    }
    const Fault fired = *fault;
    fault.reset();
    faultFired = true;
    return fired;
}

void resetBus(std::size_t count, const dfusim::BootloaderConfig &config)
{
    SimulatedBus::instance().reset(count, config);
}

dfusim::BootloaderDevice &device(std::size_t index)
{
    return *SimulatedBus::instance().device(index).bootloader;
}

bool attached(std::size_t index)
{
    return SimulatedBus::instance().device(index).attached;
}

void injectFault(const Fault &fault)
{
    SimulatedBus::instance().fault = fault;
}

bool faultFired()
{
    return SimulatedBus::instance().faultFired;
}

void denyAccess(bool denied)
{
    SimulatedBus::instance().accessDenied = denied;
}

} // namespace fakeusb
