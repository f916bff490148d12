// Calibration mode, the stored calibration sets and the calibration commands.
#include "mainwindow.h"

#include "calibration/calibration_sets.h"
#include "calibration/calibration_text.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QMessageBox>

// Runs on the library's receive thread; hands the line over through the log.
void MainWindow::CalibrationRecvCallback(IMUserial::sensor_data_calibration *data)
{
    MainWindow *window = pthis;
    window->recorder.recordCalibration(*data);
    if (!window->showMessages)
        return;
    const QString line = calibration::calibrationLine(
        static_cast<stream::DisplayMode>(window->messageDisplayMode.load()), *data);
    if (!line.isNull())
        emit window->writeLog(line);
}

bool MainWindow::confirmed(const QString &question)
{
    return QMessageBoxWindow(MsgQuestion, "Question", question) == QMessageBox::Yes;
}

void MainWindow::stopStreamForCalibrationExchange()
{
    // Unchecked first, so that a refused stop can show the stream still on.
    ui->pushButtonStartRecv->setChecked(false);
    on_pushButtonStartRecv_clicked(false);
}

void MainWindow::on_pushButtonEnterCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->enterCalibrationMode(); }, outcome::kEnterCalibrationMode);
}

void MainWindow::on_pushButtonExitCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->exitCalibrationMode(); }, outcome::kExitCalibrationMode);
}

void MainWindow::on_pushButtonGetCalibrationData_clicked()
{
    if (!deviceOpen(closedport::logged))
        return;
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    const calibration::StoredSets sets = calibration::readStoredSets(*imuSerial);
    ui->plainTextEdit_calibration->setPlainText(
        calibration::readout(sets.imu1, sets.imu2, sets.mag));
    if (sets.imu1)
        qDebug() << "Gyr Bias: " << sets.imu1->gyr_bias[0] << sets.imu1->gyr_bias[1]
                 << sets.imu1->gyr_bias[2];
}

void MainWindow::on_pushButtonClearCalib_clicked()
{
    if (!confirmed("Do you want to\"ClearCalibationData? \""))
        return;
    if (!deviceOpen(closedport::debugged))
        return;
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    const bool cleared = calibration::writeAndVerify(*imuSerial, calibration::neutralSets());
    ui->plainTextEdit_calibration->setPlainText(
        outcome::textFor(cleared, outcome::kClearCalibration));
}

void MainWindow::on_pushButtonStartGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"startGyrBiasCalibration? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->startGyrBiasCalibration(); }, outcome::kStartGyroBias);
}

void MainWindow::on_pushButtonStopGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"StopGyrBiasCalib? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->stopGyrBiasCalibration(); }, outcome::kStopGyroBias);
}

// The offset cannot be read back, so where the library reports nothing the
// success text is the only outcome.
void MainWindow::on_pushButtonRecordQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"RecordQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->RecordQuaternionOffset(); },
               outcome::kRecordQuaternionOffset);
}

void MainWindow::on_pushButtonResetQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"ResetQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->ResetQuaternionOffset(); }, outcome::kResetQuaternionOffset);
}
