#include "samplehandoff.h"

using Lock = std::lock_guard<std::mutex>;

void SampleHandoff::pushPoint(double x, double y, double z)
{
    const QDateTime now = QDateTime::currentDateTime();
    Lock lock(mutex);
    if (originPending) {
        origin = now;
        originPending = false;
    }
    // Whole milliseconds in single precision, as the chart has always keyed.
    const float key = static_cast<float>(origin.msecsTo(now)) / 1000.0f;
    pending.push_back({key, x, y, z});
}

void SampleHandoff::storeAngles(const Angles &latest)
{
    Lock lock(mutex);
    angles = latest;
}

std::vector<ChartPoint> SampleHandoff::takePoints()
{
    std::vector<ChartPoint> taken;
    Lock lock(mutex);
    taken.swap(pending);
    return taken;
}

Angles SampleHandoff::latestAngles() const
{
    Lock lock(mutex);
    return angles;
}

void SampleHandoff::restartTimeBase()
{
    Lock lock(mutex);
    pending.clear();
    originPending = true;
}

QDateTime SampleHandoff::timeOrigin() const
{
    Lock lock(mutex);
    return origin;
}
