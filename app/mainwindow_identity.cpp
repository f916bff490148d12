// Firmware version and serial number of the module.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_pushButton_version_clicked() {}

void MainWindow::on_pushButton_getSN_clicked() {}

void MainWindow::on_pushButton_setSN_clicked() {}
