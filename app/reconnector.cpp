#include "reconnector.h"

#include <algorithm>

namespace {

constexpr int firstPauseMs = 250;
constexpr int longestPauseMs = 2000;

} // namespace

Reconnector::Reconnector(Probe probe, QObject *parent) : QObject(parent), probe(std::move(probe))
{
    pause.setSingleShot(true);
    connect(&pause, &QTimer::timeout, this, &Reconnector::look);
}

Reconnector::~Reconnector()
{
    stopAndWait();
}

void Reconnector::start(int window)
{
    windowMs = window;
    nextPauseMs = firstPauseMs;
    sinceStart.start();
    searching = true;
    pause.stop();
    if (!lookUnderWay)
        look();
}

void Reconnector::stop()
{
    searching = false;
    pause.stop();
}

void Reconnector::stopAndWait()
{
    stop();
    if (lookThread.joinable())
        lookThread.join();
}

// Called with no look under way.
void Reconnector::look()
{
    if (lookThread.joinable())
        lookThread.join();
    lookUnderWay = true;
    lookThread = std::thread([this] {
        const bool open = probe();
        {
            std::lock_guard<std::mutex> lock(resultMutex);
            lookFound = open;
        }
        QMetaObject::invokeMethod(this, &Reconnector::looked, Qt::QueuedConnection);
    });
}

void Reconnector::looked()
{
    lookUnderWay = false;
    bool open = false;
    {
        std::lock_guard<std::mutex> lock(resultMutex);
        open = lookFound;
    }
    if (!searching)
        return;
    if (open) {
        searching = false;
        emit found();
    } else if (sinceStart.elapsed() >= windowMs) {
        searching = false;
        emit gaveUp();
    } else {
        pause.start(nextPauseMs);
        nextPauseMs = std::min(2 * nextPauseMs, longestPauseMs);
    }
}
