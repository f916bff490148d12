// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_handoff.h"

namespace live {

using Lock = std::lock_guard<std::mutex>;

void SampleHandoff::setClock(ClockReading reading)
{
    Lock lock(mutex_);
    now_ = std::move(reading);
}

void SampleHandoff::pushPoint(double x, double y, double z)
{
    Lock lock(mutex_);
    const Clock::time_point time = now_();
    if (originPending_) {
        origin_ = time;
        originPending_ = false;
    }
    // Whole milliseconds, in double precision: a single-precision key would
    // step by 7.8 ms after 18 hours and merge neighbouring samples.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(time - origin_);
    const double key = static_cast<double>(elapsed.count()) / 1000.0;
    pending_.push_back({key, x, y, z});
}

void SampleHandoff::storeSample(const IMUserial::sensor_data &latest)
{
    Lock lock(mutex_);
    sample_ = latest;
}

std::vector<ChartPoint> SampleHandoff::takePoints()
{
    std::vector<ChartPoint> taken;
    Lock lock(mutex_);
    taken.swap(pending_);
    return taken;
}

std::optional<IMUserial::sensor_data> SampleHandoff::latestSample() const
{
    Lock lock(mutex_);
    return sample_;
}

void SampleHandoff::restartTimeBase()
{
    Lock lock(mutex_);
    pending_.clear();
    originPending_ = true;
}

} // namespace live
