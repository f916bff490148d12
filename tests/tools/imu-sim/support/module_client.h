// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal host for the simulator: opens its terminal and speaks the frame
// protocol with the shared codec, independent of the device library.
#pragma once

#include <frame.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imusim::testing {

struct ReceivedFrame
{
    std::uint8_t type;
    std::uint8_t sequence;
    std::vector<std::uint8_t> payload;
    std::chrono::steady_clock::time_point arrival; // when the host read it
};

class ModuleClient
{
public:
    explicit ModuleClient(const std::string &devicePath);
    ~ModuleClient();
    ModuleClient(const ModuleClient &) = delete;
    ModuleClient &operator=(const ModuleClient &) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // Sends a command and waits for its answer; data frames that arrive
    // meanwhile are kept for takeData().
    std::optional<ReceivedFrame>
    command(std::uint8_t type, const std::vector<std::uint8_t> &payload = {},
            std::chrono::milliseconds patience = std::chrono::seconds(2));
    // Everything that arrives within `window`.
    std::vector<ReceivedFrame> receiveFor(std::chrono::milliseconds window);
    // Everything that arrives until `count` frames of `type` have come, or
    // until `patience` ran out.
    std::vector<ReceivedFrame> receiveUntil(std::uint8_t type, std::size_t count,
                                            std::chrono::milliseconds patience);
    std::vector<ReceivedFrame> takeData();
    // False once the simulator has withdrawn the terminal.
    bool peerPresent();
    const imuproto::DecoderStats &decoderStats() const { return decoder_.stats(); }

private:
    void readAvailable(int timeoutMs);

    int fd_ = -1;
    std::uint8_t sequence_ = 0;
    imuproto::FrameDecoder decoder_;
    std::vector<ReceivedFrame> received_;
    bool hangUp_ = false;
};

std::size_t countType(const std::vector<ReceivedFrame> &frames, std::uint8_t type);
std::size_t countSequenceGaps(const std::vector<ReceivedFrame> &frames);

} // namespace imusim::testing
