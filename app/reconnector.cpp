#include "reconnector.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

constexpr int firstPauseMs = 250;
constexpr int longestPauseMs = 2000;

} // namespace

Reconnector::Reconnector(Probe probe, QObject *parent) : QObject(parent), probe(std::move(probe))
{
    pause.setSingleShot(true);
    connect(&pause, &QTimer::timeout, this, &Reconnector::look);
    connect(&lookUnderWay, &QFutureWatcher<bool>::finished, this, &Reconnector::looked);
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
    if (!lookUnderWay.isRunning())
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
    lookUnderWay.waitForFinished();
}

void Reconnector::look()
{
    lookUnderWay.setFuture(QtConcurrent::run(probe));
}

void Reconnector::looked()
{
    if (!searching)
        return;
    if (lookUnderWay.result()) {
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
