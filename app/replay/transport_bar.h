// SPDX-License-Identifier: GPL-3.0-or-later
// The bar under the received data while a recording is replayed: the
// "Replay" state with the recording's name, play/pause, a step back and
// forward by one sample, the speed, the position slider with the time, and
// a button that closes the recording. It steers a ReplayClock and follows it.
// GUI thread only.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

namespace replay {

class ReplayClock;

class TransportBar : public QWidget
{
    Q_OBJECT

public:
    TransportBar(ReplayClock &clock, QAction &closeRecording, QWidget *parent = nullptr);

    // What the "Replay" label says beside the name, e.g. "calibration-mode
    // records, chip 1".
    void showRecording(const QString &name, const QString &remark);

private:
    void buildSpeedChoice();
    void followPosition();
    void followPlaying(bool playing);

    ReplayClock &clock_;
    QLabel *state_;
    QToolButton *play_;
    QToolButton *back_;
    QToolButton *forward_;
    QComboBox *speed_;
    QSlider *slider_;
    QLabel *time_;
};

// "01:02.345 / 10:00.000": minutes and seconds, hours when there are any.
QString positionText(double seconds, double duration);

} // namespace replay
