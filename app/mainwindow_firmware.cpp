// The DFU bootloader: entering and leaving it, flashing, packing .dfu files.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_pushButton_jumpToDfu_clicked() {}

void MainWindow::on_pushButton_leaveDfu_clicked() {}

void MainWindow::on_pushButtonUpgrade_clicked() {}

void MainWindow::on_pushButton_packfile_clicked() {}

bool MainWindow::OTA_Thread(QString /*path*/)
{
    return false;
}
