// SPDX-License-Identifier: GPL-3.0-or-later
// Runs imu-sim as a child process with its own rendezvous directory.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace imusim::testing {

// The samples the program's exit report says it sent and skipped.
struct SampleCounts
{
    std::uint64_t sent = 0;
    std::uint64_t skipped = 0;
};

class SimulatorProcess
{
public:
    // Starts the program and waits for the device path it prints.
    explicit SimulatorProcess(const std::vector<std::string> &arguments = {});
    // The same in `sharedDirectory`, beside other simulators: several units
    // on one hub. The caller owns the directory.
    SimulatorProcess(const std::vector<std::string> &arguments, const std::string &sharedDirectory);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    bool started() const { return !devicePath_.empty(); }
    const std::string &directory() const { return directory_; }
    const std::string &devicePath() const { return devicePath_; }
    std::string portFile() const;

    // The next line the program prints, once it comes.
    std::optional<std::string> nextLine(std::chrono::milliseconds patience);
    // Sends `signal` and returns the exit status, or nullopt if it did not end.
    std::optional<int> stop(int signal, std::chrono::milliseconds patience);
    std::optional<int> waitForExit(std::chrono::milliseconds patience);
    // Stops reading the program's standard output, as a reader that went away
    // (`imu-sim | head -n1`).
    void closeOutput();
    // What the program wrote to its standard error so far.
    std::string errorOutput() const;
    // From the exit report, once the program has ended.
    std::optional<SampleCounts> sampleCounts() const;

    // The exit report's count of image bytes the bootloader wrote to flash.
    std::optional<std::uint64_t> flashBytesWritten() const;

private:
    void start(const std::vector<std::string> &arguments);

    std::string directory_;
    bool ownsDirectory_ = true;
    std::string errorLog_;
    std::string devicePath_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
};

bool fileExists(const std::string &path);

// How long a test waits for what should follow promptly: it only bounds a
// failure, so it allows for a loaded machine and a sanitizer's slowdown.
inline constexpr std::chrono::seconds PATIENCE{10};

// Polls `condition` every few milliseconds until it holds or `patience` ran out.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds patience = PATIENCE)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        struct timespec pause
        {
            0, 5'000'000
        };
        nanosleep(&pause, nullptr);
    }
    return true;
}

} // namespace imusim::testing
