// SPDX-License-Identifier: GPL-3.0-or-later
// Live samples: their log lines, the plotted quantity and the angle read-outs.
#include "mainwindow.h"

#include "live/readouts.h"
#include "live/sample_text.h"
#include "live/shown_sample.h"
#include "live/view_visibility.h"
#include "recording/stream_recording.h"
#include "stream/display_modes.h"
#include "ui_mainwindow.h"

// The read-outs, shown and hidden together, follow the stream while they can
// be seen and catch up as soon as they are seen again.
void MainWindow::connectLive()
{
    shown_ = new live::ShownSample(handoff_, this);
    auto *readouts = new live::ViewVisibility(*ui->lineEdit_angle_x);
    connect(&angleTimer, &QTimer::timeout, this, [this, readouts] {
        if (readouts->isSeen())
            AngleDisplay();
    });
    connect(readouts, &live::ViewVisibility::seenAgain, this, &MainWindow::AngleDisplay);
    connect(shown_, &live::ShownSample::changed, this, [this, readouts] {
        if (readouts->isSeen())
            AngleDisplay();
    });
}

// Runs on the library's receive thread: it formats and hands over, and
// never touches a widget or the chart.
void MainWindow::RecvImuCallback(IMUserial::sensor_data *data)
{
    MainWindow *window = pthis;
    recording::StreamRecording &stream = *window->stream_;
    stream.recorder().recordSample(*data, stream.missedSamples().beforeRecord());
    if (window->showMessages)
        emit window->writeLog(live::sampleLine(
            static_cast<stream::DisplayMode>(window->messageDisplayMode.load()), *data));
    if (window->plotting) {
        const IMUserial::vec3 v = live::plottedTriple(
            static_cast<stream::DisplayMode>(window->graphDisplayMode.load()), *data);
        window->handoff_.pushPoint(v.x, v.y, v.z);
    }
    window->handoff_.storeSample(*data);
    window->calibrationHandoff_.offer(*data);
}

void MainWindow::on_comboBoxMessagesDisplayMode_currentTextChanged(const QString &arg1)
{
    const stream::DisplayMode mode = stream::messageModeFor(arg1);
    messageDisplayMode = static_cast<int>(mode);
    messageFormat = stream::messageFormatFor(mode);
}

void MainWindow::on_comboBoxGraphDisplayMode_currentTextChanged(const QString &arg1)
{
    graphDisplayMode = static_cast<int>(stream::graphModeFor(arg1));
}

void MainWindow::AngleDisplay()
{
    // The read-outs keep their values until the first sample arrives.
    if (const auto sample = shown_->sample()) {
        angleX = sample->angle.x;
        angleY = sample->angle.y;
        angleZ = sample->angle.z;
    }
    live::showAngles(*ui, angleX, angleY, angleZ);
}
