// Looks for a module that went away, again and again with a growing pause,
// until it is back or the time is up. Each look runs on a worker thread, so
// the window never waits for a port search.
#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

class Reconnector : public QObject
{
    Q_OBJECT

public:
    // Opens the module's port if it is there and says whether it is open.
    // Runs on a worker thread.
    using Probe = std::function<bool()>;

    static constexpr int defaultWindowMs = 60000;

    explicit Reconnector(Probe probe, QObject *parent = nullptr);
    ~Reconnector() override;

    // GUI thread. Starts looking; a search under way starts over.
    void start(int windowMs = defaultWindowMs);
    // GUI thread. No further look; the result of one under way is ignored.
    void stop();
    // GUI thread. Stops and waits for a look under way, so that nothing the
    // probe uses is touched any more once it returns.
    void stopAndWait();
    bool isSearching() const { return searching; }

signals:
    void found();
    void gaveUp();

private:
    void look();
    void looked();

    Probe probe;
    QFutureWatcher<bool> lookUnderWay;
    QTimer pause;
    QElapsedTimer sinceStart;
    int windowMs = defaultWindowMs;
    int nextPauseMs = 0;
    bool searching = false;
};
