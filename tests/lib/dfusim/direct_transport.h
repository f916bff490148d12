// SPDX-License-Identifier: GPL-3.0-or-later
// Connects the engine straight to a simulated device, without a socket.
#pragma once

#include "bootloader_device.h"
#include "dfu_transport.h"

namespace dfutest {

class DirectTransport : public dfu::DfuTransport
{
public:
    explicit DirectTransport(dfusim::BootloaderDevice &device)
        : device_(device), description_(device.description())
    {
    }
    const dfu::DeviceDescription &description() const override { return description_; }

    void controlOut(dfu::Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override
    {
        send({std::uint8_t(request), value, std::uint16_t(data.size()), data});
    }
    std::vector<std::uint8_t> controlIn(dfu::Request request, std::uint16_t value,
                                        std::uint16_t length) override
    {
        return send({std::uint8_t(request), value, length, {}});
    }

private:
    std::vector<std::uint8_t> send(const dfu::simwire::RequestMessage &request)
    {
        if (device_.startedApplication())
            throw dfu::TransportError(dfu::TransportError::Kind::Disconnected, "device reset");
        auto response = device_.handle(request, dfusim::Clock::now());
        if (response.stalled)
            throw dfu::TransportError(dfu::TransportError::Kind::Stalled, "stalled");
        return response.data;
    }

    dfusim::BootloaderDevice &device_;
    dfu::DeviceDescription description_;
};

} // namespace dfutest
