// Calibration mode, the stored calibration sets and the calibration commands.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::CalibrationRecvCallback(IMUserial::sensor_data_calibration * /*data*/) {}

void MainWindow::on_pushButtonEnterCalibMode_clicked(bool /*checked*/) {}

void MainWindow::on_pushButtonExitCalibMode_clicked(bool /*checked*/) {}

void MainWindow::on_pushButtonGetCalibrationData_clicked() {}

void MainWindow::on_pushButtonClearCalib_clicked() {}

void MainWindow::on_pushButtonStartGyrBiasCalib_clicked(bool /*checked*/) {}

void MainWindow::on_pushButtonStopGyrBiasCalib_clicked(bool /*checked*/) {}

void MainWindow::on_pushButtonRecordQuaternionOffset_clicked(bool /*checked*/) {}

void MainWindow::on_pushButtonResetQuaternionOffset_clicked(bool /*checked*/) {}
