// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated module without any I/O: bytes from the host go in, the bytes
// the module sends come out, both stamped with monotonic time. The program
// around it moves them through the pseudo-terminal; tests drive it directly.
#pragma once

#include "fault_injector.h"
#include "module.h"
#include "stream_scheduler.h"

#include <frame.h>

#include <deque>
#include <optional>
#include <vector>

namespace imusim {

struct SimulatorConfig
{
    ModuleSettings module;
    StoredState stored;
    FaultOptions faults;
};

struct SimulatorStats
{
    std::uint64_t commands = 0;
    std::uint64_t samplesSent = 0;
    std::uint64_t samplesSkipped = 0;
};

class Simulator
{
public:
    Simulator(const SimulatorConfig &config, TimePoint start);

    void receive(const std::uint8_t *data, std::size_t size, TimePoint now);

    // Appends the replies and samples due by `now`. With `discardSamples` (no
    // host listening, or the link backed up) due samples are counted but not
    // sent, as a module does whose output buffer is full.
    void produce(TimePoint now, bool discardSamples, std::vector<std::uint8_t> &out);

    // The next moment produce() has something to do; TimePoint::max() if none.
    TimePoint nextWakeup() const;

    // A new host opened the port: forget half-received commands.
    void hostConnected() { decoder_.reset(); }

    // Set once the answer to the jump has gone out; the module then stays
    // silent until returnFromBootloader().
    bool bootloaderRequested() const { return bootloaderRequested_; }
    void returnFromBootloader(TimePoint now, const std::optional<VersionBytes> &flashedVersion);

    const Module &module() const { return module_; }
    const SimulatorStats &stats() const { return stats_; }

private:
    struct PendingReply
    {
        TimePoint due;
        std::vector<std::uint8_t> frame;
        bool jumpAfterwards;
    };

    void execute(const imuproto::Frame &command, TimePoint now);
    void followStreamState(TimePoint now);
    void sendReplies(TimePoint now, std::vector<std::uint8_t> &out);
    void sendSamples(TimePoint now, bool discard, std::vector<std::uint8_t> &out);
    double uptime(TimePoint time) const;

    TimePoint start_;
    FaultOptions faults_;
    Module module_;
    StreamScheduler scheduler_;
    ByteDamager damager_;
    SampleSkipper skipper_;
    imuproto::FrameDecoder decoder_;
    std::deque<PendingReply> replies_;
    std::uint64_t sampleCounter_ = 0;
    bool jumpPending_ = false;
    bool bootloaderRequested_ = false;
    SimulatorStats stats_;
};

} // namespace imusim
