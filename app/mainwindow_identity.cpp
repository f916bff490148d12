// Firmware version and serial number of the module.
#include "mainwindow.h"

#include "commandoutcome.h"
#include "identity.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

#include <cstring>

namespace {

// Reads the serial number; false when nothing was delivered.
bool readSerialNumber(IMUserial::IMUSerial &device, char (&sn)[IMUserial::SN_SIZE])
{
    return commandoutcome::read(sn, [&] { return device.getSN(sn); });
}

} // namespace

void MainWindow::on_pushButton_version_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    char version[IMUserial::VERSION_SIZE];
    if (!commandoutcome::read(version, [&] { return imuSerial->getVersion(version); })) {
        ui->lineEdit_version->clear();
        emit writeLog("Version FAIL");
        return;
    }
    const QString text = identity::versionText(version);
    ui->lineEdit_version->setText(text);
    emit writeLog("Version: " + text);
}

void MainWindow::on_pushButton_getSN_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    char sn[IMUserial::SN_SIZE];
    if (!readSerialNumber(*imuSerial, sn)) {
        ui->lineEdit_SN->clear();
        emit writeLog("Get SN FAIL");
        return;
    }
    const QString text = identity::serialNumberText(sn);
    ui->lineEdit_SN->setText(text);
    emit writeLog("Get SN: " + text);
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
    const QByteArray latin1 = text.toLatin1();
    char sn[IMUserial::SN_SIZE + 1] = {};
    std::memcpy(sn, latin1.constData(), static_cast<size_t>(latin1.size()));
    // The module's acceptance alone is not proof: the number is read back.
    const bool stored = commandoutcome::run([&] { return imuSerial->setSN(sn); },
                                            [&] {
                                                char back[IMUserial::SN_SIZE];
                                                return readSerialNumber(*imuSerial, back) &&
                                                       identity::serialNumberText(back) == text;
                                            });
    emit writeLog(stored ? "Set SN: " + text : QStringLiteral("Set SN FAIL"));
}
