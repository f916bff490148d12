// SPDX-License-Identifier: GPL-3.0-or-later
// Hands the module's reply from the port thread to the command waiting for it.
#pragma once

#include "frame.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace IMUserial {

struct Reply
{
    std::uint8_t status = imuproto::STATUS_FAILED;
    std::array<std::uint8_t, imuproto::MAX_PAYLOAD> data{};
    std::size_t size = 0;
};

// One command is outstanding at a time: the caller announces it with expect()
// before sending, then waits. The port thread offers every reply frame; only
// the one carrying the command's sequence number and type is taken.
class ReplyWaiter
{
public:
    enum class Outcome
    {
        Answered,
        TimedOut,
        Failed
    };

    void expect(std::uint8_t sequence, std::uint8_t command);
    Outcome wait(std::chrono::milliseconds timeout, Reply &reply);

    // The payload of a reply frame; false when no waiting command matches it.
    bool offer(std::uint8_t sequence, const std::uint8_t *payload, std::size_t size);

    // The command can no longer be answered (write failed, port gone).
    void fail();

private:
    enum class State
    {
        Idle,
        Waiting,
        Answered,
        Failed
    };

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Idle;
    std::uint8_t sequence_ = 0;
    std::uint8_t command_ = 0;
    Reply reply_;
};

} // namespace IMUserial
