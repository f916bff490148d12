// SPDX-License-Identifier: GPL-3.0-or-later
#include "callback_gate.h"

namespace IMUserial {

// Inside a callback this thread already holds the mutex.
bool CallbackGate::calledFromCallback() const
{
    return deliveringThread_.load() == std::this_thread::get_id();
}

void CallbackGate::open(const Callbacks &callbacks)
{
    if (calledFromCallback()) {
        callbacks_ = callbacks;
        open_ = true;
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    callbacks_ = callbacks;
    open_ = true;
}

void CallbackGate::close()
{
    if (calledFromCallback()) {
        open_ = false;
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
}

} // namespace IMUserial
