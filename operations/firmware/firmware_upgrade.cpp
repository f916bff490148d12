// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/firmware_upgrade.h"

#include "programs/programs.h"

#include <QDebug>

namespace firmware {

namespace {

QString silenceReason(int silenceMs)
{
    return QString("no progress for %1 s").arg(QString::number(silenceMs / 1000.0));
}

} // namespace

FirmwareUpgrade::FirmwareUpgrade(QObject *parent) : QObject(parent)
{
    deadline_.setSingleShot(true);
    pauseBeforeLeave_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        stepStopped(step_ == FirmwareStep::Flash ? silenceReason(runLimits_.silenceMs)
                                                 : failureReason(program_, run_)); // "timed out"
    });
    connect(&pauseBeforeLeave_, &QTimer::timeout, this, &FirmwareUpgrade::runLeave);
}

FirmwareUpgrade::~FirmwareUpgrade()
{
    stopProgram();
}

void FirmwareUpgrade::setLimits(const Limits &newLimits)
{
    limits_ = newLimits;
}

bool FirmwareUpgrade::startUpgrade()
{
    return begin(Operation::Upgrade);
}

bool FirmwareUpgrade::startLeave()
{
    return begin(Operation::Leave);
}

bool FirmwareUpgrade::begin(Operation wanted)
{
    if (isBusy())
        return false;
    operation_ = wanted;
    runLimits_ = limits_;
    runStep(FirmwareStep::List, programs::kFlasherName, flasherArguments(serialNumber_, {"--list"}),
            runLimits_.programMs);
    return true;
}

void FirmwareUpgrade::flashImage(const QString &path)
{
    const QString kind = imageKind(path);
    if (kind != "bin" && kind != "hex") {
        startFlash(path);
        return;
    }
    step_ = FirmwareStep::Convert;
    convertedImage_ = std::make_unique<QTemporaryFile>();
    if (!convertedImage_->open()) {
        fail(false, "could not create a temporary file: " + convertedImage_->errorString());
        return;
    }
    // Only the name is reserved here: the converter replaces the file, which
    // some platforms refuse while it is held open.
    convertedImage_->close();
    enterPhase(FirmwarePhase::Convert);
    runStep(FirmwareStep::Convert, programs::kConverterName,
            converterArguments(path, convertedImage_->fileName()), runLimits_.programMs);
}

void FirmwareUpgrade::abandon()
{
    finish();
}

// Starting the program is the last thing done: a program that cannot start
// may end the run at once.
void FirmwareUpgrade::runStep(FirmwareStep newStep, const QString &newProgram,
                              const QStringList &arguments, int limitMs)
{
    step_ = newStep;
    program_ = newProgram;
    run_ = {};
    unreadOutput_.clear();
    process_ = new QProcess(this);
    connect(process_, &QProcess::readyReadStandardOutput, this,
            &FirmwareUpgrade::readProgressLines);
    connect(process_, &QProcess::finished, this, &FirmwareUpgrade::stepEnded);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        run_.started = false;
        stepStopped(failureReason(program_, run_)); // "could not start ..."
    });
    run_.started = true; // until the process says otherwise
    deadline_.start(limitMs);
    process_->start(programs::locate(program_), arguments, QIODevice::ReadOnly);
}

void FirmwareUpgrade::readProgressLines()
{
    const QList<FlashProgress> lines = takeProgressLines(process_->readAllStandardOutput());
    if (!lines.isEmpty() && step_ == FirmwareStep::Flash)
        deadline_.start(runLimits_.silenceMs);
    reportProgress(lines);
}

// Keeps the output and returns the progress lines among the complete lines
// in it.
QList<FlashProgress> FirmwareUpgrade::takeProgressLines(const QByteArray &output)
{
    run_.standardOutput += output;
    if (step_ != FirmwareStep::Flash && step_ != FirmwareStep::Leave)
        return {};
    unreadOutput_ += output;
    QList<FlashProgress> lines;
    for (qsizetype end = unreadOutput_.indexOf('\n'); end >= 0; end = unreadOutput_.indexOf('\n')) {
        const QByteArrayView line = QByteArrayView(unreadOutput_).first(end + 1);
        if (const auto progress = parseProgressLine(line))
            lines << *progress;
        else if (const auto note = imageNote(line))
            emit imageNoted(*note);
        unreadOutput_.remove(0, end + 1);
    }
    return lines;
}

void FirmwareUpgrade::reportProgress(const QList<FlashProgress> &lines)
{
    for (const FlashProgress &line : lines) {
        enterPhase(line.phase);
        emit progress(line.done, line.total);
    }
}

void FirmwareUpgrade::stepEnded()
{
    deadline_.stop();
    QList<FlashProgress> lines = takeProgressLines(process_->readAllStandardOutput());
    if (const auto unterminatedLine = parseProgressLine(unreadOutput_))
        lines << *unterminatedLine;
    run_.standardError = process_->readAllStandardError();
    run_.finished = true;
    run_.exitCode = process_->exitCode();
    run_.exitStatus = process_->exitStatus();
    retireProgram();
    reportProgress(lines);
    switch (step_) {
    case FirmwareStep::List:
        listed();
        break;
    case FirmwareStep::Convert:
        converted();
        break;
    case FirmwareStep::Flash:
        flashed();
        break;
    case FirmwareStep::Leave:
        left();
        break;
    }
}

// Could not start, or stopped at its limit.
void FirmwareUpgrade::stepStopped(const QString &reason)
{
    deadline_.stop();
    stopProgram();
    fail(false, reason);
}

void FirmwareUpgrade::listed()
{
    if (!listsDfuDevice(run_.standardOutput)) {
        finish();
        emit noBootloader();
    } else if (operation_ == Operation::Upgrade) {
        emit imageWanted();
    } else {
        runLeave();
    }
}

// A program that ended by itself without success fails the run with its reason.
bool FirmwareUpgrade::failedUnlessSucceeded()
{
    if (run_.succeeded())
        return false;
    qDebug() << "Error:" << program_ << "failed with exit code:" << run_.exitCode
             << QString::fromUtf8(run_.standardError);
    fail(true, failureReason(program_, run_));
    return true;
}

void FirmwareUpgrade::converted()
{
    if (failedUnlessSucceeded())
        return;
    startFlash(convertedImage_->fileName());
}

void FirmwareUpgrade::startFlash(const QString &image)
{
    runStep(FirmwareStep::Flash, programs::kFlasherName,
            flasherArguments(serialNumber_, {"--flash", image}), runLimits_.silenceMs);
}

// A failed flash stops here, so the module stays in its bootloader for another
// try instead of starting a half-written image.
void FirmwareUpgrade::flashed()
{
    if (failedUnlessSucceeded())
        return;
    pauseBeforeLeave_.start(runLimits_.pauseBeforeLeaveMs);
}

void FirmwareUpgrade::runLeave()
{
    enterPhase(FirmwarePhase::Leave);
    runStep(FirmwareStep::Leave, programs::kFlasherName,
            flasherArguments(serialNumber_, {"--leave"}), runLimits_.programMs);
}

void FirmwareUpgrade::left()
{
    if (failedUnlessSucceeded())
        return;
    finish();
    emit succeeded();
}

void FirmwareUpgrade::enterPhase(FirmwarePhase newPhase)
{
    if (phase_ == newPhase)
        return;
    phase_ = newPhase;
    emit phaseChanged(newPhase);
}

void FirmwareUpgrade::fail(bool ranToItsEnd, const QString &reason)
{
    const FirmwareFailure failure{step_, ranToItsEnd, reason};
    finish();
    emit failed(failure);
}

// Ends the run under way; a new one may start from the receivers of the
// signal that follows.
void FirmwareUpgrade::finish()
{
    deadline_.stop();
    pauseBeforeLeave_.stop();
    convertedImage_.reset();
    phase_.reset();
    operation_ = Operation::None;
}

// The program has ended: its signals are cut off and it is deleted once
// control is back in the event loop, as this may run inside its own signal.
void FirmwareUpgrade::retireProgram()
{
    if (!process_)
        return;
    process_->disconnect(this);
    process_->deleteLater();
    process_ = nullptr;
}

void FirmwareUpgrade::stopProgram()
{
    if (!process_)
        return;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(kReapLimitMs);
    }
    retireProgram();
}

} // namespace firmware
