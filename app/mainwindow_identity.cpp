// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware version and serial number of the module: the slots forward to
// identity::IdentityPanel.
#include "mainwindow.h"

#include "identity/identity_panel.h"

void MainWindow::connectIdentity()
{
    identityPanel_ = std::make_unique<identity::IdentityPanel>(*ui, *imuSerial, prompter());
}

void MainWindow::on_pushButton_version_clicked()
{
    identityPanel_->readVersion();
}

void MainWindow::on_pushButton_getSN_clicked()
{
    identityPanel_->readSerialNumber();
}

void MainWindow::on_pushButton_setSN_clicked()
{
    identityPanel_->writeSerialNumber();
}
