// SPDX-License-Identifier: GPL-3.0-or-later
// The inside of IMUSerial: port lifetime, command exchange and delivery of
// records to the application's callbacks.
#pragma once

#include "callback_gate.h"
#include "imuserial.h"
#include "missed_sample_counter.h"
#include "port_thread.h"
#include "reply_waiter.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace IMUserial {

// How long a command waits for the module's reply. A module answers within a
// few milliseconds; the margin is for a host so busy that the reply waits for
// the CPU, where a shorter wait reports a working module as silent.
constexpr std::chrono::milliseconds REPLY_TIMEOUT{1000};

class IMUSerial::Private final : public LinkListener
{
public:
    Private() = default;
    ~Private();

    void initPort(int index);
    void closePort();
    bool isOpen() const { return open_.load(); }
    void startRecv(const Callbacks &callbacks)
    {
        missed_.restart();
        gate_.open(callbacks);
    }
    void stopRecv() { gate_.close(); }
    std::uint64_t missedSamples() const { return missed_.total(); }

    // Sends one command and waits for its reply. True only when the module
    // answered with success; `reply` then holds the result data.
    bool command(std::uint8_t type, const void *payload = nullptr, std::size_t size = 0,
                 Reply *reply = nullptr);

    // After a successful jump to the bootloader the port going away is no
    // transmission error.
    void expectDeparture(bool expected) { departureExpected_.store(expected); }

private:
    void onOpened() override;
    void onFrame(const imuproto::Frame &frame) override;
    void onWriteFailed() override;
    void onVanished() override;

    void releasePort();
    void closeFromCallback();
    bool send(std::uint8_t type, std::uint8_t sequence, const void *payload, std::size_t size);
    void deliverSample(const imuproto::Frame &frame);
    void deliverCalibrationSample(const imuproto::Frame &frame);
    void reportTransmitError();
    void postTransmitError();

    CallbackGate gate_;
    MissedSampleCounter missed_;
    ReplyWaiter waiter_;
    std::atomic<bool> open_{false};
    std::atomic<bool> departureExpected_{false};

    // Serialises opening and closing from the application's threads.
    std::mutex portControlMutex_;
    // Guards thread_; never held while waiting for the port thread.
    std::mutex lifecycleMutex_;
    std::unique_ptr<PortThread> thread_;

    // Serialises commands; sequence numbers belong to it.
    std::mutex commandMutex_;
    std::uint8_t nextSequence_ = 0;
};

} // namespace IMUserial
