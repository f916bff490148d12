// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_module.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

void makeRaw(int fd)
{
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
}

} // namespace

std::vector<std::uint8_t> replyFrame(const ReceivedCommand &command, std::uint8_t status,
                                     const std::vector<std::uint8_t> &data)
{
    std::vector<std::uint8_t> payload{command.type, status};
    payload.insert(payload.end(), data.begin(), data.end());
    std::vector<std::uint8_t> frame;
    imuproto::encodeFrame(frame, imuproto::REPLY, command.sequence, payload.data(), payload.size());
    return frame;
}

std::vector<std::uint8_t> recordFrame(std::uint8_t type, std::uint8_t sequence,
                                      std::size_t recordSize, float value)
{
    std::vector<std::uint8_t> payload(recordSize);
    for (std::size_t offset = 0; offset + sizeof(float) <= recordSize; offset += sizeof(float))
        std::memcpy(payload.data() + offset, &value, sizeof(float));
    std::vector<std::uint8_t> frame;
    imuproto::encodeFrame(frame, type, sequence, payload.data(), payload.size());
    return frame;
}

ScriptedModule::ScriptedModule()
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    makeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    portPath_ = name;
    responder_ = [](const ReceivedCommand &command) {
        return replyFrame(command, imuproto::STATUS_OK);
    };
    server_ = std::thread([this] { serve(); });
}

ScriptedModule::~ScriptedModule()
{
    unplug();
    if (slave_ >= 0)
        close(slave_);
}

void ScriptedModule::setResponder(Responder responder)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    responder_ = std::move(responder);
}

void ScriptedModule::send(const std::vector<std::uint8_t> &bytes)
{
    writeAll(bytes.data(), bytes.size());
}

void ScriptedModule::startStreaming(std::uint8_t type, std::size_t recordSize,
                                    std::chrono::microseconds interval)
{
    stopStreaming();
    streaming_ = true;
    streamer_ = std::thread([=] { stream(type, recordSize, interval); });
}

void ScriptedModule::stopStreaming()
{
    streaming_ = false;
    if (streamer_.joinable())
        streamer_.join();
}

void ScriptedModule::unplug()
{
    stopStreaming();
    stop_ = true;
    if (server_.joinable())
        server_.join();
    std::lock_guard<std::mutex> lock(writeMutex_);
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}

std::vector<ReceivedCommand> ScriptedModule::commands()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return commands_;
}

void ScriptedModule::serve()
{
    imuproto::FrameDecoder decoder;
    std::uint8_t buffer[1024];
    while (!stop_) {
        pollfd request{master_, POLLIN, 0};
        if (poll(&request, 1, 10) <= 0 || !(request.revents & POLLIN))
            continue;
        const ssize_t count = read(master_, buffer, sizeof buffer);
        if (count <= 0)
            continue;
        decoder.feed(buffer, static_cast<std::size_t>(count),
                     [this](const imuproto::Frame &frame) { answer(frame); });
    }
}

void ScriptedModule::answer(const imuproto::Frame &frame)
{
    const ReceivedCommand command{
        frame.type, frame.sequence, {frame.payload, frame.payload + frame.size}};
    Responder responder;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        commands_.push_back(command);
        responder = responder_;
    }
    send(responder(command));
}

void ScriptedModule::stream(std::uint8_t type, std::size_t recordSize,
                            std::chrono::microseconds interval)
{
    std::uint32_t counter = 0;
    while (streaming_) {
        send(recordFrame(type, static_cast<std::uint8_t>(counter), recordSize,
                         static_cast<float>(counter)));
        ++counter;
        std::this_thread::sleep_for(interval);
    }
}

// Waits a while when the pseudo-terminal's buffer is full: nobody may be
// reading the other side.
void ScriptedModule::writeAll(const std::uint8_t *data, std::size_t size)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    std::lock_guard<std::mutex> lock(writeMutex_);
    while (size > 0 && master_ >= 0 && !stop_ && std::chrono::steady_clock::now() < giveUp) {
        const ssize_t written = write(master_, data, size);
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
        } else if (errno == EAGAIN) {
            pollfd request{master_, POLLOUT, 0};
            poll(&request, 1, 10);
        } else {
            return;
        }
    }
}
