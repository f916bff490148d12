// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the module and its stream: the slots forward to
// connection::LinkControl and recording::StreamRecording.
#include "mainwindow.h"

#include "chart/live_plot.h"
#include "connection/link_control.h"
#include "outcome/outcome_texts.h"
#include "recording/stream_recording.h"
#include "stream/display_modes.h"
#include "ui_mainwindow.h"

void MainWindow::connectLink()
{
    stream_ =
        std::make_unique<recording::StreamRecording>(*ui, *statusBar(), *imuSerial, prompter());
    connect(&angleTimer, &QTimer::timeout, this, [this] { stream_->showMissedSamples(); });
    link_ = new connection::LinkControl(*ui, *imuSerial, dataRate, linkBlinkTimer, displayTicks(),
                                        {*liveLog_, *livePlot_, *stream_}, prompter(), this);
    connect(this, &MainWindow::transmiteErrorCallback, link_,
            &connection::LinkControl::reportTransmitError);
    connect(link_, &connection::LinkControl::opened, this, [this] {
        on_comboBoxShowType_currentIndexChanged(ui->comboBoxShowType->currentIndex());
    });
    connect(&linkBlinkTimer, &QTimer::timeout, this, &MainWindow::radioButtonUpdate);
    linkBlinkTimer.setInterval(500);
}

void MainWindow::on_pushButtonSerialConnect_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    link_->choose(checked);
    busy = false;
}

void MainWindow::on_pushButtonStartRecv_clicked(bool checked)
{
    stream_->setStreaming(checked);
}

void MainWindow::on_comboBoxDataRate_currentTextChanged(const QString &arg1)
{
    dataRate = stream::dataRateFor(arg1);
    link_->applyDataRate();
}

void MainWindow::radioButtonUpdate()
{
    link_->blink();
}

void MainWindow::transmite_error_callback()
{
    emit pthis->transmiteErrorCallback();
    emit pthis->writeLog(outcome::kModuleVanished);
}
