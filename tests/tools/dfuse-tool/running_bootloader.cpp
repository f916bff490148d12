// SPDX-License-Identifier: GPL-3.0-or-later
#include "running_bootloader.h"

#include <stdexcept>

namespace dfutest {

RunningBootloader::RunningBootloader(std::string socketPath, const dfusim::BootloaderConfig &config)
    : bootloader_(std::make_unique<dfusim::SimulatedBootloader>(socketPath, config))
{
    std::promise<void> listening;
    std::future<void> ready = listening.get_future();
    run_ = std::async(std::launch::async, [this, listening = std::move(listening)]() mutable {
        bool announced = false;
        try {
            return bootloader_->runUntilLeave(stop_, [&] {
                announced = true;
                listening.set_value();
            });
        } catch (...) {
            if (!announced)
                listening.set_exception(std::current_exception());
            throw;
        }
    });
    // The deadline only bounds a failure.
    if (ready.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        stop();
        throw std::runtime_error("the bootloader never listened at " + socketPath);
    }
    ready.get(); // rethrows when it could not listen
}

RunningBootloader::~RunningBootloader()
{
    stop();
}

std::optional<dfusim::StartedApplication> RunningBootloader::stop()
{
    stop_ = true;
    return run_.valid() ? run_.get() : std::nullopt;
}

bool RunningBootloader::stillRunning() const
{
    return run_.valid() &&
           run_.wait_for(std::chrono::milliseconds(0)) == std::future_status::timeout;
}

} // namespace dfutest
