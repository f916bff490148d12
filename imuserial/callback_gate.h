// SPDX-License-Identifier: GPL-3.0-or-later
// Switches delivery of the application's callbacks on and off.
#pragma once

#include "imuserial.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace IMUserial {

// The callbacks as they were when delivery was switched on.
struct Callbacks
{
    SampleCallback sample = nullptr;
    CalibrationCallback calibration = nullptr;
    TransmitErrorCallback transmitError = nullptr;
};

// Once close() has returned, no callback runs any more: a callback in progress
// on another thread is waited for. A callback may close the gate itself; that
// takes effect after it returns, without waiting for itself.
class CallbackGate
{
public:
    void open(const Callbacks &callbacks);
    void close();

    // Runs deliver(const Callbacks &) while the gate is open.
    template <class Deliver> void run(Deliver &&deliver)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_)
            return;
        deliveringThread_.store(std::this_thread::get_id());
        deliver(callbacks_);
        deliveringThread_.store(std::thread::id());
    }

    // True on the thread of a callback in progress.
    bool calledFromCallback() const;

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> deliveringThread_{};
    bool open_ = false;
    Callbacks callbacks_;
};

} // namespace IMUserial
