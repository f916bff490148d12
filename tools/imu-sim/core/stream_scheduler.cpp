// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream_scheduler.h"

#include <algorithm>
#include <cmath>

namespace imusim {

void StreamScheduler::start(double rateHz, TimePoint now)
{
    running_ = true;
    rateHz_ = rateHz;
    origin_ = now;
    nextIndex_ = 1;
}

TimePoint StreamScheduler::deadline(std::uint64_t index) const
{
    const double nanoseconds = std::round(static_cast<double>(index) * 1e9 / rateHz_);
    return origin_ + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::nanoseconds(static_cast<std::int64_t>(nanoseconds)));
}

std::uint64_t StreamScheduler::firstIndexAfter(TimePoint time) const
{
    if (time < origin_)
        return 0;
    const double elapsed = std::chrono::duration<double>(time - origin_).count();
    auto index = static_cast<std::uint64_t>(std::floor(elapsed * rateHz_));
    // Rounding in either direction is settled against the exact deadlines.
    while (index > 0 && deadline(index) > time)
        --index;
    while (deadline(index) <= time)
        ++index;
    return index;
}

DueSamples StreamScheduler::collect(TimePoint now)
{
    DueSamples due;
    if (!running_)
        return due;
    const std::uint64_t end = firstIndexAfter(now);
    if (end <= nextIndex_) {
        due.firstIndex = nextIndex_;
        return due;
    }
    const std::uint64_t oldestKept = std::max(nextIndex_, firstIndexAfter(now - MAX_LAG));
    due.skipped = oldestKept - nextIndex_;
    due.firstIndex = oldestKept;
    due.count = end - oldestKept;
    nextIndex_ = end;
    return due;
}

} // namespace imusim
