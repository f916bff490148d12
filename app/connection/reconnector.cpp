// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconnector.h"

#include <algorithm>

namespace connection {

namespace {

constexpr int kFirstPauseMs = 250;
constexpr int kLongestPauseMs = 2000;

} // namespace

Reconnector::Reconnector(Probe probe, QObject *parent) : QObject(parent), probe_(std::move(probe))
{
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, &Reconnector::look);
}

Reconnector::~Reconnector()
{
    stopAndWait();
}

void Reconnector::start(int window)
{
    windowMs_ = window;
    nextPauseMs_ = kFirstPauseMs;
    sinceStart_.start();
    searching_ = true;
    pause_.stop();
    if (!lookUnderWay_)
        look();
}

void Reconnector::stop()
{
    searching_ = false;
    pause_.stop();
}

void Reconnector::stopAndWait()
{
    stop();
    if (lookThread_.joinable())
        lookThread_.join();
}

// Called with no look under way.
void Reconnector::look()
{
    if (lookThread_.joinable())
        lookThread_.join();
    lookUnderWay_ = true;
    lookThread_ = std::thread([this] {
        const bool open = probe_();
        {
            std::lock_guard<std::mutex> lock(resultMutex_);
            lookFound_ = open;
        }
        QMetaObject::invokeMethod(this, &Reconnector::looked, Qt::QueuedConnection);
    });
}

void Reconnector::looked()
{
    lookUnderWay_ = false;
    bool open = false;
    {
        std::lock_guard<std::mutex> lock(resultMutex_);
        open = lookFound_;
    }
    if (!searching_)
        return;
    if (open) {
        searching_ = false;
        emit found();
    } else if (sinceStart_.elapsed() >= windowMs_) {
        searching_ = false;
        emit gaveUp();
    } else {
        pause_.start(nextPauseMs_);
        nextPauseMs_ = std::min(2 * nextPauseMs_, kLongestPauseMs);
    }
}

} // namespace connection
