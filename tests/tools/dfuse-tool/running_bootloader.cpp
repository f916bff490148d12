#include "running_bootloader.h"

#include <stdexcept>
#include <thread>

namespace dfutest {

RunningBootloader::RunningBootloader(std::string socketPath, const dfusim::BootloaderConfig &config)
    : bootloader_(std::make_unique<dfusim::SimulatedBootloader>(socketPath, config))
{
    run_ = std::async(std::launch::async, [this] { return bootloader_->runUntilLeave(stop_); });
    // The socket file appears just before the bootloader listens on it, so
    // wait until a connection is accepted; the deadline only bounds a failure.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!dfu::LocalSocket::connectTo(socketPath).valid()) {
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("the bootloader never listened at " + socketPath);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
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
