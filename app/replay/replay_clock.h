// SPDX-License-Identifier: GPL-3.0-or-later
// The position of a replay and how it moves: paused, playing at a speed
// against the wall clock, or playing every sample in turn, one per drawn
// frame. The position is an index into the recording's samples; their
// times, in seconds since the start, rise (equal times are allowed). GUI
// thread only.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstddef>
#include <vector>

namespace replay {

// Playing speeds; kEverySample shows each sample in turn as fast as the
// window draws them, whatever their times.
inline constexpr double kEverySample = 0;
inline constexpr double kSpeeds[] = {0.25, 0.5, 1, 2, 4, 8, 16, kEverySample};

class ReplayClock : public QObject
{
    Q_OBJECT

public:
    explicit ReplayClock(QObject *parent = nullptr);

    // A new recording, paused at its first sample.
    void setTimes(std::vector<double> seconds);
    std::size_t size() const { return times_.size(); }
    std::size_t position() const { return position_; }
    double time() const { return times_.empty() ? 0 : times_[position_]; }
    double duration() const { return times_.empty() ? 0 : times_.back(); }

    bool isPlaying() const { return timer_.isActive(); }
    // Playing from the last sample starts again at the first.
    void play();
    void pause();
    void setSpeed(double speed);
    double speed() const { return speed_; }

    // Each pauses and moves within the recording, clamped to its ends.
    void seek(std::size_t position);
    // To the last sample at or before `seconds`.
    void seekTime(double seconds);
    void step(int samples);

signals:
    void positionChanged(std::size_t position);
    void playingChanged(bool playing);

private:
    void advance();
    void restartPace();
    void moveTo(std::size_t position);

    std::vector<double> times_;
    std::size_t position_ = 0;
    double speed_ = 1;
    QTimer timer_;
    // Wall time since the pace was set, and the recording's time then.
    QElapsedTimer paceStarted_;
    double paceStartTime_ = 0;
};

} // namespace replay
