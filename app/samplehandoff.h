// The crossing between the device library's receive thread and the GUI thread
// for numbers: chart points and the latest angles. The receive thread only
// pushes; the GUI thread takes on its timers. Nothing here touches a widget.
#pragma once

#include "orientation/attitude.h"

#include <chrono>
#include <mutex>
#include <vector>

struct ChartPoint
{
    double key; // seconds since the time origin
    double x;
    double y;
    double z;
};

struct Angles
{
    double x = 0;
    double y = 0;
    double z = 0;
};

class SampleHandoff
{
public:
    // Receive thread. The first point after restartTimeBase() sets the time
    // origin, so keys start near 0.
    void pushPoint(double x, double y, double z);
    void storeAngles(const Angles &angles);

    // GUI thread.
    std::vector<ChartPoint> takePoints();
    Angles latestAngles() const;
    // The charted lists were emptied: forget pending points and let the next
    // point set a new origin.
    void restartTimeBase();

    // The attitude, written on the receive thread and read on the GUI thread.
    void storeQuaternion(const orientation::Quaternion &quaternion);
    orientation::Quaternion latestQuaternion() const;

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex mutex;
    std::vector<ChartPoint> pending;
    // Keys count on the monotonic clock, so that a change of the system time
    // or of daylight saving never bends the time axis.
    Clock::time_point origin;
    bool originPending = true;
    Angles angles;
    orientation::Quaternion quaternion;
};
