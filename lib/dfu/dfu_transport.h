// SPDX-License-Identifier: GPL-3.0-or-later
// The link to one DFU interface, whatever carries it (USB or the simulator's
// socket): class requests in both directions plus what the device announces.
#pragma once

#include "dfu_protocol.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dfu {

struct DeviceDescription
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    std::uint16_t bcdDfu = 0;
    std::uint16_t transferSize = 0;
    std::uint8_t attributes = 0;
    std::uint16_t detachTimeoutMs = 0;
    std::string alternateName; // alternate setting 0: the memory layout on DfuSe devices
    std::string serialNumber;  // the USB serial number string; empty when the device has none
    std::string location;      // where it was found, for listings and messages
};

class TransportError : public std::runtime_error
{
public:
    enum class Kind
    {
        Stalled,
        Disconnected,
        Failed
    };
    TransportError(Kind kind, const std::string &message) : std::runtime_error(message), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

class DfuTransport
{
public:
    virtual ~DfuTransport() = default;
    virtual const DeviceDescription &description() const = 0;
    // Host-to-device class request; throws TransportError.
    virtual void controlOut(Request request, std::uint16_t value,
                            const std::vector<std::uint8_t> &data) = 0;
    // Device-to-host class request for up to `length` bytes; throws TransportError.
    virtual std::vector<std::uint8_t> controlIn(Request request, std::uint16_t value,
                                                std::uint16_t length) = 0;
};

} // namespace dfu
