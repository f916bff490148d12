// SPDX-License-Identifier: GPL-3.0-or-later
// A module played by the test on the master side of a pseudo-terminal: the
// library opens the slave side as its serial port. The module answers each
// command as the test tells it, streams records on request, and can vanish.
#pragma once

#include "frame.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ReceivedCommand
{
    std::uint8_t type;
    std::uint8_t sequence;
    std::vector<std::uint8_t> payload;
};

class ScriptedModule
{
public:
    // Returns the bytes to send back for one command (empty: withhold).
    using Responder = std::function<std::vector<std::uint8_t>(const ReceivedCommand &)>;

    ScriptedModule();
    ~ScriptedModule();
    ScriptedModule(const ScriptedModule &) = delete;
    ScriptedModule &operator=(const ScriptedModule &) = delete;

    const std::string &portPath() const { return portPath_; }

    // The default answers every command with success and no data.
    void setResponder(Responder responder);
    void send(const std::vector<std::uint8_t> &bytes);

    // Sends a record frame every `interval` until stopStreaming(); record n
    // has every float set to n.
    void startStreaming(std::uint8_t type, std::size_t recordSize,
                        std::chrono::microseconds interval);
    void stopStreaming();

    // Closes the master side, as a module that is unplugged.
    void unplug();

    std::vector<ReceivedCommand> commands();

private:
    void serve();
    void stream(std::uint8_t type, std::size_t recordSize, std::chrono::microseconds interval);
    void answer(const imuproto::Frame &frame);
    void writeAll(const std::uint8_t *data, std::size_t size);

    int master_ = -1;
    int slave_ = -1;
    std::string portPath_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> streaming_{false};
    std::mutex writeMutex_;
    std::mutex stateMutex_;
    Responder responder_;
    std::vector<ReceivedCommand> commands_;
    std::thread server_;
    std::thread streamer_;
};

// Frames the module sends.
std::vector<std::uint8_t> replyFrame(const ReceivedCommand &command, std::uint8_t status,
                                     const std::vector<std::uint8_t> &data = {});
std::vector<std::uint8_t> recordFrame(std::uint8_t type, std::uint8_t sequence,
                                      std::size_t recordSize, float value);
