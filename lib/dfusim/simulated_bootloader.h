// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated STM32 DFU bootloader served on a local socket, for dfuse-tool
// and for the module simulator's bootloader stage.
#pragma once

#include "bootloader_device.h"
#include "local_socket.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace dfusim {

class SimulatedBootloader
{
public:
    explicit SimulatedBootloader(std::string socketPath, BootloaderConfig config = {});

    // Plays the bootloader from a fresh start until a leave finds a valid
    // application, or until `stop` becomes true (then nothing is returned).
    // Clients are served one after the other; each request is answered after
    // the time USB would need to carry it (see BootloaderTiming).
    // Listens at the socket path only while running and removes the socket
    // file before returning. Blocks the calling thread; `stop` is looked at
    // at least every 50 ms. Throws std::runtime_error when it cannot listen.
    // May be called again later: the flash keeps its content between calls.
    // `listening`, when given, is called once clients can connect.
    std::optional<StartedApplication> runUntilLeave(const std::atomic<bool> &stop,
                                                    const std::function<void()> &listening = {});

    // Safe to call from any thread, also while runUntilLeave runs.
    void loadFlash(std::uint32_t address, const std::vector<std::uint8_t> &bytes);
    std::vector<std::uint8_t> readFlash(std::uint32_t address, std::size_t length) const;
    BootloaderStats stats() const;

private:
    bool serveClient(const dfu::LocalSocket &client, const std::atomic<bool> &stop);
    bool stallsAt(const dfu::simwire::RequestMessage &request, std::uint64_t &written);

    std::string socketPath_;
    BootloaderTiming timing_;
    std::optional<std::uint64_t> stallAtByte_;
    bool stallSpent_ = false; // the stall happens once in the life of this object
    mutable std::mutex mutex_;
    BootloaderDevice device_;
};

} // namespace dfusim
