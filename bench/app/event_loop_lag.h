// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI thread's event loop in benchmarks: how late a 16 ms timer fires,
// and waiting on it for a condition.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * values.size()))];
}

// Records the lateness, in ms, of each tick of a 16 ms timer while it lives
// and the event loop runs.
class LagProbe
{
public:
    LagProbe()
    {
        clock.start();
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            lateness_.push_back(std::max<qint64>(0, now - last - 16));
            last = now;
        });
        tick.start(16);
    }
    const std::vector<double> &lateness() const { return lateness_; }

private:
    std::vector<double> lateness_;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer tick;
};

// Lateness of a 16 ms timer, in ms, while the event loop runs for `seconds`.
inline std::vector<double> timerLateness(double seconds)
{
    LagProbe probe;
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return probe.lateness();
}

// Runs the event loop until `done` holds or the limit passed.
inline bool runUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
