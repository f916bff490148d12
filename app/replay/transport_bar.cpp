// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/transport_bar.h"

#include "replay/replay_clock.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <cmath>

namespace replay {

namespace {

QString clockText(double seconds, bool withHours)
{
    const auto millis = qint64(std::llround(std::max(0.0, seconds) * 1000));
    const QString minutesAndSeconds = QStringLiteral("%1:%2.%3")
                                          .arg(millis / 60000 % 60, 2, 10, QLatin1Char('0'))
                                          .arg(millis / 1000 % 60, 2, 10, QLatin1Char('0'))
                                          .arg(millis % 1000, 3, 10, QLatin1Char('0'));
    return withHours ? QStringLiteral("%1:%2").arg(millis / 3'600'000).arg(minutesAndSeconds)
                     : minutesAndSeconds;
}

QToolButton *toolButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                        const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

QString speedText(double speed)
{
    if (speed == kEverySample)
        return QStringLiteral("as fast as drawing allows");
    if (speed == 0.25)
        return QStringLiteral("¼×");
    if (speed == 0.5)
        return QStringLiteral("½×");
    return QStringLiteral("%1×").arg(speed);
}

} // namespace

QString positionText(double seconds, double duration)
{
    const bool withHours = duration >= 3600;
    return clockText(seconds, withHours) + QStringLiteral(" / ") + clockText(duration, withHours);
}

TransportBar::TransportBar(ReplayClock &clock, QAction &closeRecording, QWidget *parent)
    : QWidget(parent), clock_(clock), state_(new QLabel(this)),
      play_(toolButton(this, "replayPlay", QStyle::SP_MediaPlay, tr("Play (Space)"))),
      back_(
          toolButton(this, "replayStepBack", QStyle::SP_MediaSeekBackward, tr("One sample back"))),
      forward_(toolButton(this, "replayStepForward", QStyle::SP_MediaSeekForward,
                          tr("One sample forward"))),
      speed_(new QComboBox(this)), slider_(new QSlider(Qt::Horizontal, this)),
      time_(new QLabel(this))
{
    setObjectName("replayTransportBar");
    state_->setObjectName("replayState");
    speed_->setObjectName("replaySpeed");
    slider_->setObjectName("replayPosition");
    time_->setObjectName("replayTime");
    play_->setShortcut(Qt::Key_Space);
    auto *close = new QToolButton(this);
    close->setDefaultAction(&closeRecording);
    close->setToolButtonStyle(Qt::ToolButtonTextOnly);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : std::initializer_list<QWidget *>{state_, play_, back_, forward_, speed_})
        layout->addWidget(widget);
    layout->addWidget(slider_, 1);
    layout->addWidget(time_);
    layout->addWidget(close);
    buildSpeedChoice();

    connect(play_, &QToolButton::clicked, this,
            [this] { clock_.isPlaying() ? clock_.pause() : clock_.play(); });
    connect(back_, &QToolButton::clicked, this, [this] { clock_.step(-1); });
    connect(forward_, &QToolButton::clicked, this, [this] { clock_.step(1); });
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (std::size_t(value) != clock_.position())
            clock_.seek(std::size_t(value));
    });
    connect(&clock_, &ReplayClock::positionChanged, this, &TransportBar::followPosition);
    connect(&clock_, &ReplayClock::playingChanged, this, &TransportBar::followPlaying);
}

void TransportBar::buildSpeedChoice()
{
    for (const double speed : kSpeeds)
        speed_->addItem(speedText(speed), speed);
    speed_->setCurrentIndex(speed_->findData(1.0));
    speed_->setToolTip(tr("Replay speed"));
    connect(speed_, &QComboBox::currentIndexChanged, this,
            [this] { clock_.setSpeed(speed_->currentData().toDouble()); });
}

void TransportBar::showRecording(const QString &name, const QString &remark)
{
    const QString what = remark.isEmpty() ? name : name + QStringLiteral(", ") + remark;
    state_->setText(QStringLiteral("<b>Replay</b> %1").arg(what.toHtmlEscaped()));
    state_->setToolTip(tr("The views show this recording, not the module; "
                          "File → Close Recording returns to live."));
    slider_->setRange(0, int(clock_.size()) - 1);
    clock_.setSpeed(speed_->currentData().toDouble());
    followPosition();
}

void TransportBar::followPosition()
{
    const QSignalBlocker quiet(slider_);
    slider_->setValue(int(clock_.position()));
    time_->setText(positionText(clock_.time(), clock_.duration()));
}

void TransportBar::followPlaying(bool playing)
{
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    play_->setToolTip(playing ? tr("Pause (Space)") : tr("Play (Space)"));
}

} // namespace replay
