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
    imuSerial->JumpDFU();
    on_pushButtonSerialConnect_clicked(false);
    ui->pushButtonSerialConnect->setChecked(false);
    emit writeLog("Jump to DFU done");
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
    std::future<bool> result =
        std::async(std::launch::async, [this, path] { return OTA_Thread(path); });
    // The window keeps painting and handling queued lines while the worker runs.
    do {
        QCoreApplication::processEvents();
    } while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    progressDialog->close();

    if (result.get())
        QMessageBoxWindow(MsgInformation, "Success", "DFU Success!");
    else
        QMessageBoxWindow(MsgCritical, "Error", "DFU Fail!");
}

// Runs on the worker thread: touches no window state, only the tools and the
// debug output. A failed conversion or flash stops here, so the module stays
// in its bootloader for another try instead of starting a half-written image.
bool MainWindow::OTA_Thread(QString path)
{
    const QString kind = firmwaretools::imageKind(path);
    QTemporaryFile converted;
    if (!converted.open()) {
        qDebug() << "Error: Unable to create temporary file.";
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
            return false;
        }
        if (!convert.succeeded()) {
            qDebug() << "Error: dfu_convert failed with exit code:" << convert.exitCode
                     << convert.standardError;
            return false;
        }
        image = converted.fileName();
    }

    const ToolRun flash = runFlasher({"--flash", image});
    if (!flash.finished) {
        qDebug() << flasherNotFinished;
        return false;
    }
    qDebug() << "output: " << QString::fromUtf8(flash.standardOutput);
    if (!flash.succeeded()) {
        qDebug() << "Error: dfuse-tool flash failed with exit code:" << flash.exitCode
                 << QString::fromUtf8(flash.standardError);
        return false;
    }

    QThread::msleep(1000);
    const ToolRun leave = runFlasher({"--leave"});
    if (!leave.finished) {
        qDebug() << "Standard output:" << leave.standardOutput;
        return false;
    }
    if (!leave.succeeded()) {
        qDebug() << "Process failed with exit code:" << leave.exitCode;
        qDebug() << "Error output:" << QString::fromUtf8(leave.standardError);
        return false;
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
