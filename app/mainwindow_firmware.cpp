// SPDX-License-Identifier: GPL-3.0-or-later
// The DFU bootloader: the slots forward to firmware::FirmwarePanel.
#include "mainwindow.h"

#include "firmware/firmware_panel.h"
#include "ui_mainwindow.h"

void MainWindow::connectFirmware()
{
    firmwarePanel_ = new firmware::FirmwarePanel(*this, *imuSerial, *progressDialog,
                                                 *ui->pushButtonSerialConnect, prompter());
    connect(firmwarePanel_, &firmware::FirmwarePanel::connectClicked, this,
            &MainWindow::on_pushButtonSerialConnect_clicked);
}

void MainWindow::on_pushButton_jumpToDfu_clicked()
{
    firmwarePanel_->jumpToBootloader();
}

void MainWindow::on_pushButton_leaveDfu_clicked()
{
    firmwarePanel_->leaveBootloader();
}

void MainWindow::on_pushButtonUpgrade_clicked()
{
    firmwarePanel_->upgrade();
}

void MainWindow::on_pushButton_packfile_clicked()
{
    firmwarePanel_->packFile();
}
