// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated bootloader's local socket as a DFU link, and the module
// simulator's bootloader as a place to find devices.
#pragma once

#include "device_finder.h"
#include "dfu_transport.h"
#include "local_socket.h"
#include "sim_wire.h"

#include <memory>
#include <string>

namespace dfu {

class SimTransport : public DfuTransport
{
public:
    // Nothing when no simulated bootloader answers at `socketPath`. The
    // device's location reads `location`, by default "simulator <socketPath>".
    static std::unique_ptr<SimTransport> connect(const std::string &socketPath,
                                                 const std::string &location = {});

    const DeviceDescription &description() const override { return description_; }
    void controlOut(Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override;
    std::vector<std::uint8_t> controlIn(Request request, std::uint16_t value,
                                        std::uint16_t length) override;

private:
    explicit SimTransport(LocalSocket socket) : socket_(std::move(socket)) {}
    simwire::ResponseMessage exchange(const simwire::RequestMessage &request);
    // Why a request got no whole answer: the connection closed, or no answer came.
    TransportError linkLost() const;

    LocalSocket socket_;
    DeviceDescription description_;
};

// The bootloader of a running module simulator, on the socket in its
// rendezvous directory.
std::unique_ptr<DeviceBackend> makeSimulatorBackend();

} // namespace dfu
