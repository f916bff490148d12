// Firmware version and serial number of the module.
#include "mainwindow.h"

#include "identity/identity_commands.h"
#include "outcome/outcome_texts.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

void MainWindow::on_pushButton_version_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    const std::optional<QString> version = identity::readVersion(*imuSerial);
    if (!version) {
        ui->lineEdit_version->clear();
        emit writeLog(outcome::kVersionFailed);
        return;
    }
    const QString &text = *version;
    ui->lineEdit_version->setText(text);
    emit writeLog(outcome::kVersionRead + text);
}

void MainWindow::on_pushButton_getSN_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    const std::optional<QString> sn = identity::readSerialNumber(*imuSerial);
    if (!sn) {
        ui->lineEdit_SN->clear();
        emit writeLog(outcome::kSerialNumberReadFailed);
        return;
    }
    const QString &text = *sn;
    ui->lineEdit_SN->setText(text);
    emit writeLog(outcome::kSerialNumberRead + text);
}

void MainWindow::on_pushButton_setSN_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    if (QMessageBoxWindow(MsgQuestion, "Question", "Do you want to Write SN") != QMessageBox::Yes)
        return;
    const QString text = ui->lineEdit_SN->text();
    if (!identity::isValidSerialNumber(text)) {
        QMessageBoxWindow(MsgCritical, "Invalid Serial Number",
                          "SN号必须为9位大写字母或数字组合！");
        return;
    }
    const bool stored = identity::writeSerialNumber(*imuSerial, text);
    emit writeLog(stored ? outcome::kSerialNumberWritten + text
                         : QString(outcome::kSerialNumberWriteFailed));
}
