// SPDX-License-Identifier: GPL-3.0-or-later
// Looks for a module that went away, again and again with a growing pause,
// until it is back or the time is up. Each look runs on a thread of its own,
// so the window never waits for a port search.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <mutex>
#include <thread>

namespace connection {

class Reconnector : public QObject
{
    Q_OBJECT

public:
    // Opens the module's port if it is there and says whether it is open.
    // Runs on the look's thread.
    using Probe = std::function<bool()>;

    static constexpr int kDefaultWindowMs = 60000;

    explicit Reconnector(Probe probe, QObject *parent = nullptr);
    ~Reconnector() override;

    // GUI thread. Starts looking; a search under way starts over.
    void start(int windowMs = kDefaultWindowMs);
    // GUI thread. No further look; the result of one under way is ignored.
    void stop();
    // GUI thread. Stops and waits for a look under way, so that nothing the
    // probe uses is touched any more once it returns.
    void stopAndWait();
    bool isSearching() const { return searching_; }

signals:
    void found();
    void gaveUp();

private:
    void look();
    // GUI thread, queued from the look's thread once it has its result.
    void looked();

    Probe probe_;
    std::thread lookThread_;
    bool lookUnderWay_ = false; // GUI thread only
    std::mutex resultMutex_;
    bool lookFound_ = false; // written by the look's thread
    QTimer pause_;
    QElapsedTimer sinceStart_;
    int windowMs_ = kDefaultWindowMs;
    int nextPauseMs_ = 0;
    bool searching_ = false;
};

} // namespace connection
