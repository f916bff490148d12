// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_transport.h"

#include "rendezvous.h"

#include <iostream>

namespace dfu {

namespace {

// Longer than any single step of the simulator, far shorter than the 30 s a
// caller gives a whole run.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};

// The simulators' bootloaders in their rendezvous folder, one socket each.
// Nothing is taken from a folder that another user could have prepared: a
// refused folder is named on stderr and its sockets left alone.
class SimulatorBackend : public DeviceBackend
{
public:
    std::string whereLooked() const override
    {
        return "for simulated bootloaders in " + imuproto::simulatorDirectory();
    }
    std::vector<DeviceDescription> list(const std::string &serialNumber) override
    {
        std::vector<DeviceDescription> found;
        for (const auto &device : connectAll(serialNumber, false))
            found.push_back(device->description());
        return found;
    }
    std::unique_ptr<DfuTransport> openDfuse(const std::string &serialNumber) override
    {
        auto devices = connectAll(serialNumber, true);
        return devices.empty() ? nullptr : std::move(devices.front());
    }

private:
    // The bootloaders with `serialNumber` (any when empty), only the first
    // when `firstOnly`. A socket whose name states another serial number is
    // not connected to: its bootloader may be busy with another client, and
    // a station flashing several units must not wait on it.
    static std::vector<std::unique_ptr<SimTransport>> connectAll(const std::string &serialNumber,
                                                                 bool firstOnly)
    {
        std::vector<std::unique_ptr<SimTransport>> devices;
        if (folderRefused())
            return devices;
        for (const auto &socket : imuproto::bootloaderSocketsIn(imuproto::simulatorDirectory())) {
            if (!serialNumber.empty() && socket.serialNumber != serialNumber)
                continue;
            auto device = SimTransport::connect(socket.path);
            if (!device ||
                (!serialNumber.empty() && device->description().serialNumber != serialNumber))
                continue;
            devices.push_back(std::move(device));
            if (firstOnly)
                break;
        }
        return devices;
    }

    static bool folderRefused()
    {
        const std::string problem = imuproto::simulatorDirectoryProblem();
        if (!problem.empty())
            std::cerr << "dfuse-tool: " << problem << std::endl;
        return !problem.empty();
    }
};

} // namespace

std::unique_ptr<DeviceBackend> makeSimulatorBackend()
{
    return std::make_unique<SimulatorBackend>();
}

std::unique_ptr<SimTransport> SimTransport::connect(const std::string &socketPath,
                                                    const std::string &location)
{
    LocalSocket socket = LocalSocket::connectTo(socketPath);
    if (!socket.valid())
        return nullptr;
    std::unique_ptr<SimTransport> transport(new SimTransport(std::move(socket)));
    try {
        const auto answer = transport->exchange({simwire::kDescribeRequest, 0, 0, {}});
        const auto description = simwire::decodeDescription(answer.data);
        if (answer.stalled || !description)
            return nullptr;
        transport->description_ = *description;
        transport->description_.location = location.empty() ? "simulator " + socketPath : location;
    } catch (const TransportError &) {
        return nullptr;
    }
    return transport;
}

simwire::ResponseMessage SimTransport::exchange(const simwire::RequestMessage &request)
{
    const std::vector<std::uint8_t> bytes = simwire::encodeRequest(request);
    std::uint8_t header[simwire::kResponseHeaderLength];
    if (!socket_.writeAll(bytes.data(), bytes.size()) ||
        !socket_.readExact(header, sizeof header, kAnswerTimeout))
        throw linkLost();
    const auto fields = simwire::decodeResponseHeader(header);
    simwire::ResponseMessage response{fields.stalled, std::vector<std::uint8_t>(fields.size)};
    if (!socket_.readExact(response.data.data(), response.data.size(), kAnswerTimeout))
        throw linkLost();
    return response;
}

TransportError SimTransport::linkLost() const
{
    // A closed connection reads as ready (end of stream); a bootloader that
    // merely fell silent has not reset into the application.
    if (socket_.waitReadable(std::chrono::milliseconds(0)) == LocalSocket::Wait::TimedOut)
        return TransportError(TransportError::Kind::Failed,
                              "the simulated device did not answer within " +
                                  std::to_string(kAnswerTimeout.count() / 1000) + " s");
    return TransportError(TransportError::Kind::Disconnected, "the simulated device went away");
}

void SimTransport::controlOut(Request request, std::uint16_t value,
                              const std::vector<std::uint8_t> &data)
{
    const auto response =
        exchange({std::uint8_t(request), value, std::uint16_t(data.size()), data});
    if (response.stalled)
        throw TransportError(TransportError::Kind::Stalled, "the device stalled the request");
}

std::vector<std::uint8_t> SimTransport::controlIn(Request request, std::uint16_t value,
                                                  std::uint16_t length)
{
    auto response = exchange({std::uint8_t(request), value, length, {}});
    if (response.stalled)
        throw TransportError(TransportError::Kind::Stalled, "the device stalled the request");
    if (response.data.size() > length)
        response.data.resize(length);
    return std::move(response.data);
}

} // namespace dfu
