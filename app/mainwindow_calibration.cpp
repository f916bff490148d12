// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration tab: the slots forward to calibration::CalibrationPanel;
// the Calibrate… button opens calibration::CalibrationWizard.
#include "mainwindow.h"

#include "calibration/calibration_panel.h"
#include "calibration/calibration_text.h"
#include "calibration/calibration_wizard.h"
#include "recording/stream_recording.h"
#include "stream/display_modes.h"
#include "ui_mainwindow.h"

void MainWindow::connectCalibration()
{
    calibrationPanel_ =
        std::make_unique<calibration::CalibrationPanel>(*ui, *imuSerial, *stream_, prompter());
    // The wizard switches the stream through the Start Recv button, as the
    // operator would.
    const calibration::StreamSwitch streamSwitch{
        [this] { return ui->pushButtonStartRecv->isChecked(); },
        [this] { ui->pushButtonStartRecv->click(); }, [this] { stream_->stopForExchange(); }};
    calibrationWizard_ = std::make_unique<calibration::CalibrationWizard>(
        *imuSerial, calibrationHandoff_, streamSwitch,
        [this] { return stream::samplesPerSecond(dataRate); }, prompter(), this);
    auto *calibrate = new QPushButton(tr("Calibrate…"), ui->tabCalibration);
    calibrate->setObjectName("pushButtonCalibrate");
    ui->verticalLayout_3->addWidget(calibrate);
    connect(calibrate, &QPushButton::clicked, calibrationWizard_.get(),
            &calibration::CalibrationWizard::start);
}

// Runs on the library's receive thread; hands the line over through the log
// and the readings to the calibration wizard.
void MainWindow::CalibrationRecvCallback(IMUserial::sensor_data_calibration *data)
{
    MainWindow *window = pthis;
    recording::StreamRecording &stream = *window->stream_;
    stream.recorder().recordCalibration(*data, stream.missedSamples().beforeRecord());
    window->calibrationHandoff_.offer(*data);
    if (!window->showMessages)
        return;
    const QString line = calibration::calibrationLine(
        static_cast<stream::DisplayMode>(window->messageDisplayMode.load()), *data);
    if (!line.isNull())
        emit window->writeLog(line);
}

void MainWindow::on_pushButtonEnterCalibMode_clicked(bool /*checked*/)
{
    calibrationPanel_->enterMode();
}

void MainWindow::on_pushButtonExitCalibMode_clicked(bool /*checked*/)
{
    calibrationPanel_->exitMode();
}

void MainWindow::on_pushButtonGetCalibrationData_clicked()
{
    calibrationPanel_->readStoredSets();
}

void MainWindow::on_pushButtonClearCalib_clicked()
{
    calibrationPanel_->clearStoredSets();
}

void MainWindow::on_pushButtonStartGyrBiasCalib_clicked(bool /*checked*/)
{
    calibrationPanel_->startGyroBias();
}

void MainWindow::on_pushButtonStopGyrBiasCalib_clicked(bool /*checked*/)
{
    calibrationPanel_->stopGyroBias();
}

void MainWindow::on_pushButtonRecordQuaternionOffset_clicked(bool /*checked*/)
{
    calibrationPanel_->recordQuaternionOffset();
}

void MainWindow::on_pushButtonResetQuaternionOffset_clicked(bool /*checked*/)
{
    calibrationPanel_->resetQuaternionOffset();
}
