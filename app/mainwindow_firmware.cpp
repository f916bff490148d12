// The DFU bootloader: entering and leaving it, flashing, packing .dfu files.
#include "mainwindow.h"

#include "filedialogs.h"
#include "firmwaretools.h"
#include "programs.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QThread>

#include <chrono>
#include <future>

using firmwaretools::ToolRun;

namespace {

const char flasherNotFinished[] = "Error: dfuse-tool process did not finish successfully.";

ToolRun runFlasher(const QStringList &arguments)
{
    return firmwaretools::run(programs::flasherName, arguments);
}

} // namespace

bool MainWindow::dfuDevicePresent()
{
    const ToolRun list = runFlasher({"--list"});
    if (!list.finished) {
        qDebug() << flasherNotFinished;
        return false;
    }
    if (!firmwaretools::listsDfuDevice(list.standardOutput)) {
        QMessageBoxWindow(MsgCritical, "Error", "No DFU device Found!");
        return false;
    }
    return true;
}

void MainWindow::on_pushButton_jumpToDfu_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    imuSerial->stopRecv();
    QThread::msleep(10);
    const bool refused = !commandoutcome::run([&] { return imuSerial->JumpDFU(); });
    // A module that refused and is still there stays in its application.
    if (refused && imuSerial->isDeivceOpen()) {
        imuSerial->startRecv();
        emit writeLog("Jump to DFU FAIL");
        return;
    }
    on_pushButtonSerialConnect_clicked(false);
    ui->pushButtonSerialConnect->setChecked(false);
    // "Jump to DFU done" once the bootloader shows up.
    bootloaderWatch.start();
}

// The bootloader did not show up: the module is taken to be in its
// application still, and the link is opened again.
void MainWindow::bootloaderMissing()
{
    emit writeLog("Jump to DFU FAIL");
    if (imuSerial->isDeivceOpen())
        return;
    ui->pushButtonSerialConnect->setChecked(true);
    on_pushButtonSerialConnect_clicked(true);
}

void MainWindow::on_pushButton_leaveDfu_clicked()
{
    if (!dfuDevicePresent())
        return;
    const ToolRun leave = runFlasher({"--leave"});
    if (!leave.finished) {
        qDebug() << flasherNotFinished;
        return;
    }
    emit writeLog(leave.succeeded() ? "Leave to DFU done" : "Leave to DFU FAIL");
}

void MainWindow::on_pushButtonUpgrade_clicked()
{
    if (!dfuDevicePresent())
        return;
    const QString path =
        filedialogs::openFileName(this, "选择文件", "DFU/BIN/HEX 文件 (*.dfu *.bin *.hex)");
    if (path.isEmpty())
        return;
    const QString kind = firmwaretools::imageKind(path);
    if (kind != "dfu" && kind != "bin" && kind != "hex") {
        QMessageBoxWindow(MsgCritical, "Error", "File error");
        return;
    }

    progressDialog->show();
    QString failure;
    std::future<bool> result = std::async(
        std::launch::async, [this, path, &failure] { return OTA_Thread(path, &failure); });
    // The window keeps painting and handling queued lines while the worker runs.
    do {
        QCoreApplication::processEvents();
    } while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    progressDialog->close();

    if (result.get()) {
        QMessageBoxWindow(MsgInformation, "Success", "DFU Success!");
    } else {
        emit writeLog("DFU Fail: " + failure);
        QMessageBoxWindow(MsgCritical, "Error", "DFU Fail!");
    }
}

// Runs on the worker thread: touches no window state, only the tools and the
// debug output. A failed conversion or flash stops here, so the module stays
// in its bootloader for another try instead of starting a half-written image.
bool MainWindow::OTA_Thread(QString path, QString *failure)
{
    const auto failed = [failure](const QString &program, const ToolRun &run) {
        if (failure)
            *failure = firmwaretools::failureReason(program, run);
        return false;
    };
    const QString kind = firmwaretools::imageKind(path);
    QTemporaryFile converted;
    if (!converted.open()) {
        qDebug() << "Error: Unable to create temporary file.";
        if (failure)
            *failure = "could not create a temporary file: " + converted.errorString();
        return false;
    }
    // Only the name is reserved here: the converter replaces the file, which
    // some platforms refuse while it is held open.
    converted.close();

    QString image = path;
    if (kind == "bin" || kind == "hex") {
        const ToolRun convert = firmwaretools::run(
            programs::converterName, firmwaretools::converterArguments(path, converted.fileName()));
        if (!convert.finished) {
            qDebug() << "Error: dfu_convert process did not finish successfully.";
            return failed(programs::converterName, convert);
        }
        if (!convert.succeeded()) {
            qDebug() << "Error: dfu_convert failed with exit code:" << convert.exitCode
                     << convert.standardError;
            return failed(programs::converterName, convert);
        }
        image = converted.fileName();
    }

    const ToolRun flash = runFlasher({"--flash", image});
    if (!flash.finished) {
        qDebug() << flasherNotFinished;
        return failed(programs::flasherName, flash);
    }
    qDebug() << "output: " << QString::fromUtf8(flash.standardOutput);
    if (!flash.succeeded()) {
        qDebug() << "Error: dfuse-tool flash failed with exit code:" << flash.exitCode
                 << QString::fromUtf8(flash.standardError);
        return failed(programs::flasherName, flash);
    }

    QThread::msleep(1000);
    const ToolRun leave = runFlasher({"--leave"});
    if (!leave.finished) {
        qDebug() << "Standard output:" << leave.standardOutput;
        return failed(programs::flasherName, leave);
    }
    if (!leave.succeeded()) {
        qDebug() << "Process failed with exit code:" << leave.exitCode;
        qDebug() << "Error output:" << QString::fromUtf8(leave.standardError);
        return failed(programs::flasherName, leave);
    }
    qDebug() << "Process finished successfully.";
    qDebug() << "Output:" << QString::fromUtf8(leave.standardOutput);
    return true;
}

void MainWindow::on_pushButton_packfile_clicked()
{
    const QString input =
        filedialogs::openFileName(this, "选择输入文件", "Hex or Bin Files (*.hex *.bin)");
    if (input.isEmpty())
        return;
    if (!input.endsWith(".hex", Qt::CaseInsensitive) &&
        !input.endsWith(".bin", Qt::CaseInsensitive)) {
        QMessageBoxWindow(MsgCritical, "文件错误", "输入文件必须是.bin或.hex文件");
        return;
    }
    const QString output = filedialogs::saveFileName(this, "保存转换后的文件", "DFU Files (*.dfu)");
    if (output.isEmpty())
        return;

    const ToolRun convert = firmwaretools::run(
        programs::converterName,
        firmwaretools::converterArguments(input, firmwaretools::withDfuSuffix(output)));
    if (!convert.finished)
        QMessageBoxWindow(MsgCritical, "错误", "执行转换程序失败！");
    else if (!convert.succeeded())
        QMessageBoxWindow(MsgCritical, "错误", "文件转换失败！");
    else
        QMessageBoxWindow(MsgInformation, "成功", "文件转换完成！");
}
