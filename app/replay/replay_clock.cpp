// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/replay_clock.h"

#include "live/display_tick.h"

#include <algorithm>

namespace replay {

ReplayClock::ReplayClock(QObject *parent) : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &ReplayClock::advance);
}

void ReplayClock::setTimes(std::vector<double> seconds)
{
    pause();
    times_ = std::move(seconds);
    position_ = 0;
    emit positionChanged(position_);
}

void ReplayClock::play()
{
    if (times_.empty() || isPlaying())
        return;
    if (position_ + 1 >= times_.size())
        moveTo(0);
    restartPace();
    timer_.start(speed_ == kEverySample ? 0 : live::kDisplayTickMs);
    emit playingChanged(true);
}

void ReplayClock::pause()
{
    if (!isPlaying())
        return;
    timer_.stop();
    emit playingChanged(false);
}

void ReplayClock::setSpeed(double speed)
{
    speed_ = speed;
    if (!isPlaying())
        return;
    restartPace();
    timer_.setInterval(speed_ == kEverySample ? 0 : live::kDisplayTickMs);
}

void ReplayClock::seek(std::size_t position)
{
    pause();
    if (!times_.empty())
        moveTo(std::min(position, times_.size() - 1));
}

void ReplayClock::seekTime(double seconds)
{
    const auto after = std::upper_bound(times_.begin(), times_.end(), seconds);
    seek(after == times_.begin() ? 0 : std::size_t(after - times_.begin() - 1));
}

void ReplayClock::step(int samples)
{
    const auto target = std::ptrdiff_t(position_) + samples;
    seek(target < 0 ? 0 : std::size_t(target));
}

void ReplayClock::restartPace()
{
    paceStarted_.start();
    paceStartTime_ = time();
}

// Timed speeds show the last sample whose time the wall clock has reached, so
// a slow frame skips samples rather than falling behind; the every-sample
// speed shows the next one.
void ReplayClock::advance()
{
    std::size_t next = position_ + 1;
    if (speed_ != kEverySample) {
        const double reached = paceStartTime_ + speed_ * double(paceStarted_.nsecsElapsed()) * 1e-9;
        const auto after = std::upper_bound(times_.begin() + position_, times_.end(), reached);
        next = std::size_t(after - times_.begin()) - 1;
    }
    if (next >= times_.size() - 1) {
        moveTo(times_.size() - 1);
        pause();
        return;
    }
    if (next != position_)
        moveTo(next);
}

void ReplayClock::moveTo(std::size_t position)
{
    position_ = position;
    emit positionChanged(position_);
}

} // namespace replay
