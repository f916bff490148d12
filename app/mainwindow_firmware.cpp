// The DFU bootloader: entering and leaving it, flashing, packing .dfu files.
#include "mainwindow.h"

#include "filedialogs.h"
#include "firmware/firmware_tools.h"
#include "outcome/outcome_texts.h"
#include "programs/programs.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QProgressDialog>
#include <QThread>

#include <limits>

using firmware::ToolRun;

namespace {

const char flasherNotFinished[] = "Error: dfuse-tool process did not finish successfully.";

const QString upgradingText = QStringLiteral("正在更新...");

} // namespace

void MainWindow::connectFirmwareUpgrade()
{
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::noBootloader, this,
            [this] { QMessageBoxWindow(MsgCritical, "Error", outcome::kNoBootloader); });
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::imageWanted, this,
            &MainWindow::chooseUpgradeImage);
    // Queued: the modal dialog's setValue runs the event loop.
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::phaseChanged, this,
            &MainWindow::showUpgradePhase, Qt::QueuedConnection);
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::progress, this,
            &MainWindow::showUpgradeProgress, Qt::QueuedConnection);
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::imageNoted, this, &MainWindow::writeLog);
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::succeeded, this,
            &MainWindow::firmwareRunSucceeded);
    connect(&firmwareUpgrade, &firmware::FirmwareUpgrade::failed, this,
            &MainWindow::firmwareRunFailed);
}

void MainWindow::on_pushButton_jumpToDfu_clicked()
{
    if (!deviceOpen(closedport::warned))
        return;
    imuSerial->stopRecv();
    QThread::msleep(10);
    const bool refused = !outcome::run([&] { return imuSerial->JumpDFU(); });
    // A module that refused and is still there stays in its application.
    if (refused && imuSerial->isDeivceOpen()) {
        imuSerial->startRecv();
        emit writeLog(outcome::kJumpToBootloader.failure);
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
    emit writeLog(outcome::kJumpToBootloader.failure);
    if (imuSerial->isDeivceOpen())
        return;
    ui->pushButtonSerialConnect->setChecked(true);
    on_pushButtonSerialConnect_clicked(true);
}

// A click while a run is under way is ignored.
void MainWindow::on_pushButton_leaveDfu_clicked()
{
    if (firmwareUpgrade.isBusy())
        return;
    upgrading = false;
    firmwareUpgrade.startLeave();
}

void MainWindow::on_pushButtonUpgrade_clicked()
{
    if (firmwareUpgrade.isBusy())
        return;
    upgrading = true;
    firmwareUpgrade.startUpgrade();
}

// The bootloader is there: the operator picks the image.
void MainWindow::chooseUpgradeImage()
{
    const QString path =
        filedialogs::openFileName(this, "选择文件", "DFU/BIN/HEX 文件 (*.dfu *.bin *.hex)");
    if (path.isEmpty()) {
        firmwareUpgrade.abandon();
        return;
    }
    const QString kind = firmware::imageKind(path);
    if (kind != "dfu" && kind != "bin" && kind != "hex") {
        firmwareUpgrade.abandon();
        QMessageBoxWindow(MsgCritical, "Error", "File error");
        return;
    }
    progressDialog->setLabelText(upgradingText);
    progressDialog->setRange(0, 0);
    progressDialog->show();
    firmwareUpgrade.flashImage(path);
}

// Busy (0..0) until the phase's first progress line.
void MainWindow::showUpgradePhase(firmware::FirmwarePhase phase)
{
    if (!progressDialog->isVisible())
        return; // a leave on its own, or a late signal after the end
    progressDialog->setLabelText(upgradingText + '\n' + firmware::firmwarePhaseText(phase));
    progressDialog->setRange(0, 0);
}

void MainWindow::showUpgradeProgress(qint64 done, qint64 total)
{
    if (!progressDialog->isVisible())
        return; // a leave on its own
    // The dialog counts in int; larger counts are scaled down.
    const qint64 scale = total / std::numeric_limits<int>::max() + 1;
    progressDialog->setRange(0, int(total / scale));
    progressDialog->setValue(int(done / scale));
}

void MainWindow::firmwareRunSucceeded()
{
    if (!upgrading) {
        emit writeLog(outcome::kLeaveBootloader.success);
        return;
    }
    progressDialog->close();
    QMessageBoxWindow(MsgInformation, "Success", outcome::kUpgrade.success);
}

// A listing or leave that did not run to its end is only traced, as ever.
void MainWindow::firmwareRunFailed(const firmware::FirmwareFailure &failure)
{
    if (failure.step == firmware::FirmwareStep::List || (!upgrading && !failure.ranToItsEnd)) {
        qDebug() << flasherNotFinished << failure.reason;
        return;
    }
    if (!upgrading) {
        emit writeLog(outcome::kLeaveBootloader.failure);
        return;
    }
    progressDialog->close();
    emit writeLog(outcome::kUpgradeFailedBecause + failure.reason);
    QMessageBoxWindow(MsgCritical, "Error", outcome::kUpgrade.failure);
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

    const ToolRun convert =
        firmware::run(programs::kConverterName,
                      firmware::converterArguments(input, firmware::withDfuSuffix(output)));
    if (!convert.finished)
        QMessageBoxWindow(MsgCritical, "错误", "执行转换程序失败！");
    else if (!convert.succeeded())
        QMessageBoxWindow(MsgCritical, "错误", "文件转换失败！");
    else
        QMessageBoxWindow(MsgInformation, "成功", "文件转换完成！");
}
