// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfu_bootloader_stage.h"

#include "exit_cleanup.h"

#include <application_image.h>
#include <local_socket.h>
#include <memory_layout.h>
#include <rendezvous.h>

#include <condition_variable>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace imusim {

namespace {

// Raises `leave` when `stop` is raised or, with a non-zero limit, when the
// limit has passed; ends with its owner.
class LeaveTimer
{
public:
    LeaveTimer(const std::atomic<bool> &stop, std::chrono::milliseconds limit,
               std::atomic<bool> &leave)
        : thread_([this, &stop, limit, &leave] {
              const auto end = std::chrono::steady_clock::now() + limit;
              std::unique_lock<std::mutex> lock(mutex_);
              while (!done_ && !stop &&
                     (limit.count() == 0 || std::chrono::steady_clock::now() < end))
                  wake_.wait_for(lock, std::chrono::milliseconds(20));
              leave = true;
          })
    {
    }

    ~LeaveTimer()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

DfuBootloaderStage::DfuBootloaderStage(const std::string &directory, VersionBytes version,
                                       std::chrono::milliseconds autoLeave,
                                       const dfusim::BootloaderConfig &config)
    : socketPath_(imuproto::bootloaderSocketOf(directory, ::getpid(), config.serialNumber)),
      bootloader_(std::make_unique<dfusim::SimulatedBootloader>(socketPath_, config)),
      autoLeave_(autoLeave)
{
    bootloader_->loadFlash(dfu::kApplicationAddress,
                           dfusim::makeApplicationImage(dfu::kApplicationAddress, version));
}

std::optional<VersionBytes> DfuBootloaderStage::run(const std::string &,
                                                    const std::atomic<bool> &stop)
{
    std::atomic<bool> leave{false};
    const ExitCleanup removeSocket(
        [path = socketPath_] { dfu::LocalSocket::removeSocketFile(path); });
    try {
        LeaveTimer timer(stop, autoLeave_, leave);
        const auto started = bootloader_->runUntilLeave(leave);
        if (started && started->version)
            return VersionBytes{(*started->version)[0], (*started->version)[1],
                                (*started->version)[2]};
    } catch (const std::runtime_error &error) {
        std::cerr << "imu-sim: bootloader unavailable: " << error.what() << std::endl;
    }
    return std::nullopt;
}

} // namespace imusim
