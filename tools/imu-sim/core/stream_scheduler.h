// SPDX-License-Identifier: GPL-3.0-or-later
// When the next samples are due. Deadlines are absolute (origin + n periods on
// the monotonic clock), so late wake-ups never make the stream drift; a caller
// that wakes late gets all samples it missed in one batch. A caller stalled for
// longer than MAX_LAG gets only the recent ones: the rest are skipped, and a
// receiver sees them as lost in the sample counter.
#pragma once

#include <chrono>
#include <cstdint>

namespace imusim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

struct DueSamples
{
    std::uint64_t skipped = 0;
    std::uint64_t count = 0;
    std::uint64_t firstIndex = 0; // index of the first due sample since start()
};

class StreamScheduler
{
public:
    static constexpr std::chrono::milliseconds MAX_LAG{500};

    // The first sample falls one period after `now`.
    void start(double rateHz, TimePoint now);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    double rate() const { return rateHz_; }

    DueSamples collect(TimePoint now);
    TimePoint deadline(std::uint64_t index) const;
    TimePoint nextDeadline() const { return deadline(nextIndex_); }

private:
    // The index of the first sample whose deadline is after `time`.
    std::uint64_t firstIndexAfter(TimePoint time) const;

    bool running_ = false;
    double rateHz_ = 0;
    TimePoint origin_;
    std::uint64_t nextIndex_ = 1;
};

} // namespace imusim
