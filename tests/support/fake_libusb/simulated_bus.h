// SPDX-License-Identifier: GPL-3.0-or-later
// The state behind the libusb stand-in, shared by its libusb functions and
// its control API.
#pragma once

#include "fake_usb_bus.h"
#include "usb_descriptors.h"

#include <memory>
#include <vector>

namespace fakeusb {
struct SimulatedDevice;
}

// libusb leaves these types opaque; the stand-in gives them their contents.
struct libusb_context
{
};

struct libusb_device
{
    fakeusb::SimulatedDevice *simulated;
};

struct libusb_device_handle
{
    libusb_device *device;
    int claimedInterface = -1;
    int alternate = 0;
};

namespace fakeusb {

struct SimulatedDevice
{
    std::unique_ptr<dfusim::BootloaderDevice> bootloader;
    DescriptorSet descriptors;
    std::uint8_t busNumber = 1;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> ports;
    bool attached = true;
    bool leaveAsked = false; // the last request was the zero-length download
    libusb_device handle{this};
};

class SimulatedBus
{
public:
    static SimulatedBus &instance();

    void reset(std::size_t count, const dfusim::BootloaderConfig &config);
    std::vector<SimulatedDevice *> attachedDevices() const;
    SimulatedDevice &device(std::size_t index) const { return *devices_.at(index); }

    // One control transfer; returns the bytes moved or a LIBUSB_ERROR code.
    int controlTransfer(libusb_device_handle &handle, std::uint8_t requestType,
                        std::uint8_t request, std::uint16_t value, std::uint16_t index,
                        unsigned char *data, std::uint16_t length);

    std::optional<Fault> fault;
    bool faultFired = false;
    bool accessDenied = false;

private:
    int standardRequest(const SimulatedDevice &device, std::uint8_t request, std::uint16_t value,
                        unsigned char *data, std::uint16_t length) const;
    int classRequest(SimulatedDevice &device, bool toDevice, std::uint8_t request,
                     std::uint16_t value, unsigned char *data, std::uint16_t length);
    std::optional<Fault> takeFault(const SimulatedDevice &device, std::uint8_t request,
                                   bool leaving);

    std::vector<std::unique_ptr<SimulatedDevice>> devices_;
};

} // namespace fakeusb
