// SPDX-License-Identifier: GPL-3.0-or-later
#include "module_client.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace imusim::testing {

ModuleClient::ModuleClient(const std::string &devicePath)
    : fd_(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    termios settings{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd_, TCSANOW, &settings);
    }
}

ModuleClient::~ModuleClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void ModuleClient::readAvailable(int timeoutMs)
{
    pollfd readable{fd_, POLLIN, 0};
    if (::poll(&readable, 1, timeoutMs) <= 0)
        return;
    if (readable.revents & (POLLHUP | POLLERR))
        hangUp_ = true;
    std::uint8_t buffer[65536];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count <= 0)
        return;
    const auto arrival = std::chrono::steady_clock::now();
    decoder_.feed(buffer, static_cast<std::size_t>(count), [&](const imuproto::Frame &frame) {
        received_.push_back({frame.type, frame.sequence,
                             std::vector<std::uint8_t>(frame.payload, frame.payload + frame.size),
                             arrival});
    });
}

std::optional<ReceivedFrame> ModuleClient::command(std::uint8_t type,
                                                   const std::vector<std::uint8_t> &payload,
                                                   std::chrono::milliseconds patience)
{
    const std::uint8_t sequence = ++sequence_;
    std::vector<std::uint8_t> bytes;
    imuproto::encodeFrame(bytes, type, sequence, payload.data(), payload.size());
    if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        return std::nullopt;
    const auto end = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < end && !hangUp_) {
        readAvailable(10);
        const auto reply = std::find_if(received_.begin(), received_.end(), [&](const auto &f) {
            return f.type == imuproto::REPLY && f.sequence == sequence;
        });
        if (reply != received_.end()) {
            ReceivedFrame answer = *reply;
            received_.erase(reply);
            return answer;
        }
    }
    return std::nullopt;
}

std::vector<ReceivedFrame> ModuleClient::receiveFor(std::chrono::milliseconds window)
{
    const auto end = std::chrono::steady_clock::now() + window;
    while (std::chrono::steady_clock::now() < end && !hangUp_)
        readAvailable(5);
    return takeData();
}

std::vector<ReceivedFrame> ModuleClient::receiveUntil(std::uint8_t type, std::size_t count,
                                                      std::chrono::milliseconds patience)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    while (countType(received_, type) < count && std::chrono::steady_clock::now() < end && !hangUp_)
        readAvailable(5);
    return takeData();
}

std::vector<ReceivedFrame> ModuleClient::takeData()
{
    std::vector<ReceivedFrame> frames;
    frames.swap(received_);
    return frames;
}

bool ModuleClient::peerPresent()
{
    readAvailable(0);
    return !hangUp_;
}

std::size_t countType(const std::vector<ReceivedFrame> &frames, std::uint8_t type)
{
    return static_cast<std::size_t>(std::count_if(
        frames.begin(), frames.end(), [&](const ReceivedFrame &f) { return f.type == type; }));
}

std::size_t countSequenceGaps(const std::vector<ReceivedFrame> &frames)
{
    std::size_t gaps = 0;
    int previous = -1;
    for (const ReceivedFrame &frame : frames) {
        if (frame.type == imuproto::REPLY)
            continue;
        if (previous >= 0 && static_cast<std::uint8_t>(previous + 1) != frame.sequence)
            ++gaps;
        previous = frame.sequence;
    }
    return gaps;
}

} // namespace imusim::testing
