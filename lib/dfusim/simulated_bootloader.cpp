// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_bootloader.h"

#include "local_socket.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace dfusim {

namespace {

constexpr std::chrono::milliseconds kStopCheckInterval{50};
// A client that stops in the middle of a message is dropped after this long.
constexpr std::chrono::milliseconds kMessageTimeout{5000};

std::optional<dfu::simwire::RequestMessage> readRequest(const dfu::LocalSocket &client)
{
    std::uint8_t header[dfu::simwire::kRequestHeaderLength];
    if (!client.readExact(header, sizeof header, kMessageTimeout))
        return std::nullopt;
    const auto fields = dfu::simwire::decodeRequestHeader(header);
    dfu::simwire::RequestMessage request{fields.request, fields.value, fields.length, {}};
    request.payload.resize(fields.payloadSize);
    if (!client.readExact(request.payload.data(), request.payload.size(), kMessageTimeout))
        return std::nullopt;
    return request;
}

// Reads and drops whatever the client sends until it goes away.
void ignoreUntilGone(const dfu::LocalSocket &client, const std::atomic<bool> &stop)
{
    while (!stop) {
        const auto wait = client.waitReadable(kStopCheckInterval);
        if (wait == dfu::LocalSocket::Wait::TimedOut)
            continue;
        if (wait == dfu::LocalSocket::Wait::Failed || !readRequest(client))
            return;
    }
}

bool isDataDownload(const dfu::simwire::RequestMessage &request)
{
    return request.request == std::uint8_t(dfu::Request::Download) &&
           request.value >= dfu::kFirstDataBlock;
}

// The bytes in the data stage of the control request this message stands for;
// the description is no control request (USB has it from the descriptors).
std::optional<std::size_t> controlDataBytes(const dfu::simwire::RequestMessage &request)
{
    if (request.request == dfu::simwire::kDescribeRequest)
        return std::nullopt;
    return std::max<std::size_t>(request.payload.size(), request.length);
}

} // namespace

SimulatedBootloader::SimulatedBootloader(std::string socketPath, BootloaderConfig config)
    : socketPath_(std::move(socketPath)), timing_(config.timing), stallAtByte_(config.stallAtByte),
      device_(config)
{
}

std::optional<StartedApplication>
SimulatedBootloader::runUntilLeave(const std::atomic<bool> &stop,
                                   const std::function<void()> &listening)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        device_.restart();
    }
    dfu::LocalSocket listener = dfu::LocalSocket::listenAt(socketPath_);
    if (!listener.valid())
        throw std::runtime_error("cannot listen at " + socketPath_);
    if (listening)
        listening();
    bool started = false;
    while (!started && !stop) {
        if (listener.waitReadable(kStopCheckInterval) != dfu::LocalSocket::Wait::Ready)
            continue;
        const dfu::LocalSocket client = listener.accept();
        if (client.valid())
            started = serveClient(client, stop);
    }
    listener.close();
    dfu::LocalSocket::removeSocketFile(socketPath_);
    std::lock_guard<std::mutex> lock(mutex_);
    return started ? device_.startedApplication() : std::nullopt;
}

// Counts the image bytes the client wrote; true (once) when this download
// reaches the configured stall.
bool SimulatedBootloader::stallsAt(const dfu::simwire::RequestMessage &request,
                                   std::uint64_t &written)
{
    if (!isDataDownload(request))
        return false;
    written += request.payload.size();
    if (stallSpent_ || !stallAtByte_ || written < *stallAtByte_)
        return false;
    stallSpent_ = true;
    return true;
}

bool SimulatedBootloader::serveClient(const dfu::LocalSocket &client, const std::atomic<bool> &stop)
{
    std::uint64_t written = 0;
    while (!stop) {
        const auto wait = client.waitReadable(kStopCheckInterval);
        if (wait == dfu::LocalSocket::Wait::TimedOut)
            continue;
        const auto request =
            wait == dfu::LocalSocket::Wait::Ready ? readRequest(client) : std::nullopt;
        if (!request)
            return false;
        if (stallsAt(*request, written)) {
            ignoreUntilGone(client, stop);
            return false;
        }
        if (const auto dataBytes = controlDataBytes(*request))
            std::this_thread::sleep_for(timing_.transferTime(*dataBytes));
        std::vector<std::uint8_t> answer;
        bool started = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            answer = dfu::simwire::encodeResponse(device_.handle(*request, Clock::now()));
            started = device_.startedApplication().has_value();
        }
        if (!client.writeAll(answer.data(), answer.size()) || started)
            return started;
    }
    return false;
}

void SimulatedBootloader::loadFlash(std::uint32_t address, const std::vector<std::uint8_t> &bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    device_.flash().load(address, bytes);
}

std::vector<std::uint8_t> SimulatedBootloader::readFlash(std::uint32_t address,
                                                         std::size_t length) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return device_.flash().read(address, length);
}

BootloaderStats SimulatedBootloader::stats() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return device_.stats();
}

} // namespace dfusim
