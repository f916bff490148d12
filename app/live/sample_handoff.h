// SPDX-License-Identifier: GPL-3.0-or-later
// The crossing between the device library's receive thread and the GUI thread
// for numbers: chart points and the latest whole sample. The receive thread only
// pushes; the GUI thread takes on its timers. Nothing here touches a widget.
#pragma once

#include "imuserial.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace live {

struct ChartPoint
{
    double key; // seconds since the time origin
    double x;
    double y;
    double z;
};

class SampleHandoff
{
public:
    using Clock = std::chrono::steady_clock;
    using ClockReading = std::function<Clock::time_point()>;

    // The clock the keys are read from: the steady clock, unless a test or a
    // benchmark drives the time axis itself. Set it before points flow.
    void setClock(ClockReading reading);

    // Receive thread. The first point after restartTimeBase() sets the time
    // origin, so keys start near 0.
    void pushPoint(double x, double y, double z);
    void storeSample(const IMUserial::sensor_data &sample);

    // GUI thread.
    std::vector<ChartPoint> takePoints();
    // Empty until the first sample arrives.
    std::optional<IMUserial::sensor_data> latestSample() const;
    // The charted lists were emptied: forget pending points and let the next
    // point set a new origin.
    void restartTimeBase();

private:
    mutable std::mutex mutex_;
    ClockReading now_ = &Clock::now;
    std::vector<ChartPoint> pending_;
    // Keys count on the monotonic clock, so that a change of the system time
    // or of daylight saving never bends the time axis.
    Clock::time_point origin_;
    bool originPending_ = true;
    std::optional<IMUserial::sensor_data> sample_;
};

} // namespace live
