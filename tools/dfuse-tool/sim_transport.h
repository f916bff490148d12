// The simulated bootloader's local socket as a DFU link.
#pragma once

#include "dfu_transport.h"
#include "local_socket.h"
#include "sim_wire.h"

#include <memory>
#include <string>

namespace dfu {

class SimTransport : public DfuTransport
{
public:
    // Nothing when no simulated bootloader answers at `socketPath`.
    static std::unique_ptr<SimTransport> connect(const std::string &socketPath);

    const DeviceDescription &description() const override { return description_; }
    void controlOut(Request request, std::uint16_t value,
                    const std::vector<std::uint8_t> &data) override;
    std::vector<std::uint8_t> controlIn(Request request, std::uint16_t value,
                                        std::uint16_t length) override;

private:
    explicit SimTransport(LocalSocket socket) : socket_(std::move(socket)) {}
    simwire::ResponseMessage exchange(const simwire::RequestMessage &request);

    LocalSocket socket_;
    DeviceDescription description_;
};

} // namespace dfu
