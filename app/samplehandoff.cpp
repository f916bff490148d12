#include "samplehandoff.h"

using Lock = std::lock_guard<std::mutex>;

void SampleHandoff::setClock(ClockReading reading)
{
    Lock lock(mutex);
    now = std::move(reading);
}

void SampleHandoff::pushPoint(double x, double y, double z)
{
    Lock lock(mutex);
    const Clock::time_point time = now();
    if (originPending) {
        origin = time;
        originPending = false;
    }
    // Whole milliseconds, in double precision: a single-precision key would
    // step by 7.8 ms after 18 hours and merge neighbouring samples.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(time - origin);
    const double key = static_cast<double>(elapsed.count()) / 1000.0;
    pending.push_back({key, x, y, z});
}

void SampleHandoff::storeSample(const IMUserial::sensor_data &latest)
{
    Lock lock(mutex);
    sample = latest;
}

std::vector<ChartPoint> SampleHandoff::takePoints()
{
    std::vector<ChartPoint> taken;
    Lock lock(mutex);
    taken.swap(pending);
    return taken;
}

std::optional<IMUserial::sensor_data> SampleHandoff::latestSample() const
{
    Lock lock(mutex);
    return sample;
}

void SampleHandoff::restartTimeBase()
{
    Lock lock(mutex);
    pending.clear();
    originPending = true;
}
