// Calibration mode, the stored calibration sets and the calibration commands.
#include "mainwindow.h"

#include "calibrationtext.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QMessageBox>

// Runs on the library's receive thread; hands the line over through the log.
void MainWindow::CalibrationRecvCallback(IMUserial::sensor_data_calibration *data)
{
    MainWindow *window = pthis;
    if (!window->showMessages)
        return;
    const QString line = calibrationtext::calibrationLine(
        static_cast<displaymodes::DisplayMode>(window->messageDisplayMode.load()), *data);
    if (!line.isNull())
        emit window->writeLog(line);
}

bool MainWindow::confirmed(const QString &question)
{
    return QMessageBoxWindow(MsgQuestion, "Question", question) == QMessageBox::Yes;
}

void MainWindow::stopStreamForCalibrationExchange()
{
    on_pushButtonStartRecv_clicked(false);
    ui->pushButtonStartRecv->setChecked(false);
}

void MainWindow::on_pushButtonEnterCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    emit writeLog(imuSerial->enterCalibrationMode() ? "Enter Calibration Mode SUCCESS"
                                                    : "Enter Calibration Mode FAIL");
}

void MainWindow::on_pushButtonExitCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    emit writeLog(imuSerial->exitCalibrationMode() ? "Exit Calibration Mode SUCCESS"
                                                   : "Exit Calibration Mode FAIL");
}

void MainWindow::on_pushButtonGetCalibrationData_clicked()
{
    if (!deviceOpen(closedport::logged))
        return;
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    // Zero-filled, so that a read that fails shows zeros rather than whatever
    // the memory held.
    IMUserial::imu_calibration_data imu1{};
    IMUserial::imu_calibration_data imu2{};
    IMUserial::mag_calibration_data mag{};
    imuSerial->read_imu1_calibration_data(&imu1);
    imuSerial->read_imu2_calibration_data(&imu2);
    imuSerial->read_mag_calibration_data(&mag);
    ui->plainTextEdit_calibration->setPlainText(calibrationtext::readout(imu1, imu2, mag));
    qDebug() << "Gyr Bias: " << imu1.gyr_bias[0] << imu1.gyr_bias[1] << imu1.gyr_bias[2];
}

void MainWindow::on_pushButtonClearCalib_clicked()
{
    if (!confirmed("Do you want to\"ClearCalibationData? \""))
        return;
    if (!deviceOpen(closedport::debugged))
        return;
    IMUserial::imu_calibration_data imuSet = calibrationtext::neutralImuSet();
    IMUserial::mag_calibration_data magSet = calibrationtext::neutralMagSet();
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    imuSerial->write_imu1_calibration_data(&imuSet);
    imuSerial->write_imu2_calibration_data(&imuSet);
    imuSerial->write_mag_calibration_data(&magSet);
    ui->plainTextEdit_calibration->setPlainText("Clear Success");
}

void MainWindow::on_pushButtonStartGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"startGyrBiasCalibration? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    emit writeLog(imuSerial->startGyrBiasCalibration() ? "Start GyrBias Calibration"
                                                       : "ERROR: Cannot Enter GyrBias Calibration");
}

void MainWindow::on_pushButtonStopGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"StopGyrBiasCalib? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    emit writeLog(imuSerial->stopGyrBiasCalibration() ? "Stop Gyr Bias Calibration"
                                                      : "FAIL to Stop Gyr Bias Calibration");
}

// The module's answer to the offset commands is not shown: they report
// success as they always have.
void MainWindow::on_pushButtonRecordQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"RecordQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    imuSerial->RecordQuaternionOffset();
    emit writeLog("Record Quaternion Offset SUCCESS");
}

void MainWindow::on_pushButtonResetQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"ResetQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    imuSerial->ResetQuaternionOffset();
    emit writeLog("Reset Quaternion Offset SUCCESS");
}
