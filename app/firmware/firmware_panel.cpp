// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_panel.h"

#include "connection/closed_port.h"
#include "firmware/firmware_tools.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"
#include "programs/programs.h"
#include "prompts/file_dialogs.h"

#include <QAbstractButton>
#include <QDebug>
#include <QProgressDialog>
#include <QThread>

#include <limits>

namespace firmware {

namespace {

const char kFlasherNotFinished[] = "Error: dfuse-tool process did not finish successfully.";

const QString kUpgradingText = QStringLiteral("正在更新...");

} // namespace

FirmwarePanel::FirmwarePanel(QWidget &window, IMUserial::IMUSerial &device,
                             QProgressDialog &progress, QAbstractButton &connectButton,
                             prompts::Prompter prompter)
    : QObject(&window), window_(window), device_(device), progress_(progress),
      connectButton_(connectButton), prompter_(std::move(prompter))
{
    connect(&bootloaderWatch_, &BootloaderWatch::appeared, this,
            [this] { prompter_.log(outcome::kJumpToBootloader.success); });
    connect(&bootloaderWatch_, &BootloaderWatch::missing, this, &FirmwarePanel::bootloaderMissing);
    connect(&firmwareUpgrade_, &FirmwareUpgrade::noBootloader, this,
            [this] { prompter_.error("Error", outcome::kNoBootloader); });
    connect(&firmwareUpgrade_, &FirmwareUpgrade::imageWanted, this, &FirmwarePanel::chooseImage);
    // Queued: the modal dialog's setValue runs the event loop.
    connect(&firmwareUpgrade_, &FirmwareUpgrade::phaseChanged, this, &FirmwarePanel::showPhase,
            Qt::QueuedConnection);
    connect(&firmwareUpgrade_, &FirmwareUpgrade::progress, this, &FirmwarePanel::showProgress,
            Qt::QueuedConnection);
    connect(&firmwareUpgrade_, &FirmwareUpgrade::imageNoted, this,
            [this](const QString &line) { prompter_.log(line); });
    connect(&firmwareUpgrade_, &FirmwareUpgrade::succeeded, this, &FirmwarePanel::runSucceeded);
    connect(&firmwareUpgrade_, &FirmwareUpgrade::failed, this, &FirmwarePanel::runFailed);
}

void FirmwarePanel::jumpToBootloader()
{
    if (!connection::deviceOpen(device_, connection::kWarned, prompter_))
        return;
    device_.stopRecv();
    QThread::msleep(10);
    const bool refused = !outcome::run([&] { return device_.JumpDFU(); });
    // A module that refused and is still there stays in its application.
    if (refused && device_.isDeivceOpen()) {
        device_.startRecv();
        prompter_.log(outcome::kJumpToBootloader.failure);
        return;
    }
    emit connectClicked(false);
    connectButton_.setChecked(false);
    // "Jump to DFU done" once the bootloader shows up.
    bootloaderWatch_.start();
}

// The bootloader did not show up: the module is taken to be in its
// application still, and the link is opened again.
void FirmwarePanel::bootloaderMissing()
{
    prompter_.log(outcome::kJumpToBootloader.failure);
    if (device_.isDeivceOpen())
        return;
    connectButton_.setChecked(true);
    emit connectClicked(true);
}

void FirmwarePanel::leaveBootloader()
{
    if (firmwareUpgrade_.isBusy())
        return;
    upgrading_ = false;
    firmwareUpgrade_.startLeave();
}

void FirmwarePanel::upgrade()
{
    if (firmwareUpgrade_.isBusy())
        return;
    upgrading_ = true;
    firmwareUpgrade_.startUpgrade();
}

// The bootloader is there: the operator picks the image.
void FirmwarePanel::chooseImage()
{
    const QString path =
        prompts::openFileName(&window_, "选择文件", "DFU/BIN/HEX 文件 (*.dfu *.bin *.hex)");
    if (path.isEmpty()) {
        firmwareUpgrade_.abandon();
        return;
    }
    const QString kind = imageKind(path);
    if (kind != "dfu" && kind != "bin" && kind != "hex") {
        firmwareUpgrade_.abandon();
        prompter_.error("Error", "File error");
        return;
    }
    progress_.setLabelText(kUpgradingText);
    progress_.setRange(0, 0);
    progress_.show();
    firmwareUpgrade_.flashImage(path);
}

// Busy (0..0) until the phase's first progress line.
void FirmwarePanel::showPhase(FirmwarePhase phase)
{
    if (!progress_.isVisible())
        return; // a leave on its own, or a late signal after the end
    progress_.setLabelText(kUpgradingText + '\n' + firmwarePhaseText(phase));
    progress_.setRange(0, 0);
}

void FirmwarePanel::showProgress(qint64 done, qint64 total)
{
    if (!progress_.isVisible())
        return; // a leave on its own
    // The dialog counts in int; larger counts are scaled down.
    const qint64 scale = total / std::numeric_limits<int>::max() + 1;
    progress_.setRange(0, int(total / scale));
    progress_.setValue(int(done / scale));
}

void FirmwarePanel::runSucceeded()
{
    if (!upgrading_) {
        prompter_.log(outcome::kLeaveBootloader.success);
        return;
    }
    progress_.close();
    prompter_.inform("Success", outcome::kUpgrade.success);
}

// A listing or leave that did not run to its end is only traced, as ever.
void FirmwarePanel::runFailed(const FirmwareFailure &failure)
{
    if (failure.step == FirmwareStep::List || (!upgrading_ && !failure.ranToItsEnd)) {
        qDebug() << kFlasherNotFinished << failure.reason;
        return;
    }
    if (!upgrading_) {
        prompter_.log(outcome::kLeaveBootloader.failure);
        return;
    }
    progress_.close();
    prompter_.log(outcome::kUpgradeFailedBecause + failure.reason);
    prompter_.error("Error", outcome::kUpgrade.failure);
}

void FirmwarePanel::packFile()
{
    const QString input =
        prompts::openFileName(&window_, "选择输入文件", "Hex or Bin Files (*.hex *.bin)");
    if (input.isEmpty())
        return;
    if (!input.endsWith(".hex", Qt::CaseInsensitive) &&
        !input.endsWith(".bin", Qt::CaseInsensitive)) {
        prompter_.error("文件错误", "输入文件必须是.bin或.hex文件");
        return;
    }
    const QString output = prompts::saveFileName(&window_, "保存转换后的文件", "DFU Files (*.dfu)");
    if (output.isEmpty())
        return;

    const ToolRun convert =
        run(programs::kConverterName, converterArguments(input, withDfuSuffix(output)));
    if (!convert.finished)
        prompter_.error("错误", "执行转换程序失败！");
    else if (!convert.succeeded())
        prompter_.error("错误", "文件转换失败！");
    else
        prompter_.inform("成功", "文件转换完成！");
}

} // namespace firmware
