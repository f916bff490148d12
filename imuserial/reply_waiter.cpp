// SPDX-License-Identifier: GPL-3.0-or-later
#include "reply_waiter.h"

#include <cstring>

namespace IMUserial {

void ReplyWaiter::expect(std::uint8_t sequence, std::uint8_t command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = State::Waiting;
    sequence_ = sequence;
    command_ = command;
}

ReplyWaiter::Outcome ReplyWaiter::wait(std::chrono::milliseconds timeout, Reply &reply)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return state_ != State::Waiting; });
    const State final = state_;
    state_ = State::Idle;
    if (final == State::Answered) {
        reply = reply_;
        return Outcome::Answered;
    }
    return final == State::Failed ? Outcome::Failed : Outcome::TimedOut;
}

bool ReplyWaiter::offer(std::uint8_t sequence, const std::uint8_t *payload, std::size_t size)
{
    if (size < imuproto::REPLY_HEADER_SIZE)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Waiting || sequence != sequence_ || payload[0] != command_)
        return false;
    reply_.status = payload[1];
    reply_.size = size - imuproto::REPLY_HEADER_SIZE;
    std::memcpy(reply_.data.data(), payload + imuproto::REPLY_HEADER_SIZE, reply_.size);
    state_ = State::Answered;
    changed_.notify_all();
    return true;
}

void ReplyWaiter::fail()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Waiting)
        return;
    state_ = State::Failed;
    changed_.notify_all();
}

} // namespace IMUserial
