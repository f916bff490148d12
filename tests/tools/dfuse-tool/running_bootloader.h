// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated bootloader serving its socket on a thread of its own for as
// long as the object lives.
#pragma once

#include "simulated_bootloader.h"

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace dfutest {

class RunningBootloader
{
public:
    // Returns once the bootloader accepts connections; throws when it never does.
    explicit RunningBootloader(std::string socketPath, const dfusim::BootloaderConfig &config = {});
    ~RunningBootloader();
    RunningBootloader(const RunningBootloader &) = delete;
    RunningBootloader &operator=(const RunningBootloader &) = delete;

    dfusim::SimulatedBootloader &device() { return *bootloader_; }
    // The application it started, or nothing when it was still waiting.
    std::optional<dfusim::StartedApplication> stop();
    bool stillRunning() const;

private:
    std::unique_ptr<dfusim::SimulatedBootloader> bootloader_;
    std::atomic<bool> stop_{false};
    std::future<std::optional<dfusim::StartedApplication>> run_;
};

} // namespace dfutest
