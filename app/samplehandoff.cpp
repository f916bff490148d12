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
    // Whole milliseconds in single precision, as the chart has always keyed.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(time - origin);
    const float key = static_cast<float>(elapsed.count()) / 1000.0f;
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
