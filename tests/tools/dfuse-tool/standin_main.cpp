// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool whose USB bus holds one stand-in DfuSe device: its requests go
// to a simulated bootloader on the socket named by $DFUSE_STANDIN_SOCKET.
// With $DFUSE_STANDIN_ACCESS=denied the system "refuses" to open it.
#include "command_line.h"
#include "dfuse_engine.h"
#include "sim_transport.h"
#include "tool.h"
#include "usb_support.h"

#include <cstdlib>
#include <iostream>

namespace {

const std::string kLocation = "usb 1-4 (stand-in)";

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

class StandinUsb : public dfu::DeviceBackend
{
public:
    std::string whereLooked() const override { return "on USB"; }
    std::vector<dfu::DeviceDescription> list(const std::string &serialNumber) override
    {
        if (const auto device = connect(serialNumber))
            return {device->description()};
        return {};
    }
    std::unique_ptr<dfu::DfuTransport> openDfuse(const std::string &serialNumber) override
    {
        auto device = connect(serialNumber);
        if (device && environment("DFUSE_STANDIN_ACCESS") == "denied")
            throw dfu::DeviceError(dfu::missingUdevRuleAdvice(kLocation));
        return device;
    }

private:
    static std::unique_ptr<dfu::SimTransport> connect(const std::string &serialNumber)
    {
        const std::string socket = environment("DFUSE_STANDIN_SOCKET");
        auto device = socket.empty() ? nullptr : dfu::SimTransport::connect(socket, kLocation);
        if (device && !serialNumber.empty() && device->description().serialNumber != serialNumber)
            return nullptr;
        return device;
    }
};

} // namespace

int main(int argc, char **argv)
{
    return dfu::runDfuseTool(dfu::utf8Arguments(argc, argv), std::make_unique<StandinUsb>(),
                             std::cout, std::cerr);
}
