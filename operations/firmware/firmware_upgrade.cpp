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
    deadline.setSingleShot(true);
    pauseBeforeLeave.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] {
        stepStopped(step == FirmwareStep::Flash ? silenceReason(runLimits.silenceMs)
                                                : failureReason(program, run)); // "timed out"
    });
    connect(&pauseBeforeLeave, &QTimer::timeout, this, &FirmwareUpgrade::runLeave);
}

FirmwareUpgrade::~FirmwareUpgrade()
{
    stopProgram();
}

void FirmwareUpgrade::setLimits(const Limits &newLimits)
{
    limits = newLimits;
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
    operation = wanted;
    runLimits = limits;
    runStep(FirmwareStep::List, programs::kFlasherName, {"--list"}, runLimits.programMs);
    return true;
}

void FirmwareUpgrade::flashImage(const QString &path)
{
    const QString kind = imageKind(path);
    if (kind != "bin" && kind != "hex") {
        startFlash(path);
        return;
    }
    step = FirmwareStep::Convert;
    convertedImage = std::make_unique<QTemporaryFile>();
    if (!convertedImage->open()) {
        fail(false, "could not create a temporary file: " + convertedImage->errorString());
        return;
    }
    // Only the name is reserved here: the converter replaces the file, which
    // some platforms refuse while it is held open.
    convertedImage->close();
    enterPhase(FirmwarePhase::Convert);
    runStep(FirmwareStep::Convert, programs::kConverterName,
            converterArguments(path, convertedImage->fileName()), runLimits.programMs);
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
    step = newStep;
    program = newProgram;
    run = {};
    unreadOutput.clear();
    process = new QProcess(this);
    connect(process, &QProcess::readyReadStandardOutput, this, &FirmwareUpgrade::readProgressLines);
    connect(process, &QProcess::finished, this, &FirmwareUpgrade::stepEnded);
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        run.started = false;
        stepStopped(failureReason(program, run)); // "could not start ..."
    });
    run.started = true; // until the process says otherwise
    deadline.start(limitMs);
    process->start(programs::locate(program), arguments, QIODevice::ReadOnly);
}

void FirmwareUpgrade::readProgressLines()
{
    const QList<FlashProgress> lines = takeProgressLines(process->readAllStandardOutput());
    if (!lines.isEmpty() && step == FirmwareStep::Flash)
        deadline.start(runLimits.silenceMs);
    reportProgress(lines);
}

// Keeps the output and returns the progress lines among the complete lines
// in it.
QList<FlashProgress> FirmwareUpgrade::takeProgressLines(const QByteArray &output)
{
    run.standardOutput += output;
    if (step != FirmwareStep::Flash && step != FirmwareStep::Leave)
        return {};
    unreadOutput += output;
    QList<FlashProgress> lines;
    for (qsizetype end = unreadOutput.indexOf('\n'); end >= 0; end = unreadOutput.indexOf('\n')) {
        const QByteArrayView line = QByteArrayView(unreadOutput).first(end + 1);
        if (const auto progress = parseProgressLine(line))
            lines << *progress;
        else if (const auto note = imageNote(line))
            emit imageNoted(*note);
        unreadOutput.remove(0, end + 1);
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
    deadline.stop();
    QList<FlashProgress> lines = takeProgressLines(process->readAllStandardOutput());
    if (const auto unterminatedLine = parseProgressLine(unreadOutput))
        lines << *unterminatedLine;
    run.standardError = process->readAllStandardError();
    run.finished = true;
    run.exitCode = process->exitCode();
    run.exitStatus = process->exitStatus();
    retireProgram();
    reportProgress(lines);
    switch (step) {
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
    deadline.stop();
    stopProgram();
    fail(false, reason);
}

void FirmwareUpgrade::listed()
{
    if (!listsDfuDevice(run.standardOutput)) {
        finish();
        emit noBootloader();
    } else if (operation == Operation::Upgrade) {
        emit imageWanted();
    } else {
        runLeave();
    }
}

// A program that ended by itself without success fails the run with its reason.
bool FirmwareUpgrade::failedUnlessSucceeded()
{
    if (run.succeeded())
        return false;
    qDebug() << "Error:" << program << "failed with exit code:" << run.exitCode
             << QString::fromUtf8(run.standardError);
    fail(true, failureReason(program, run));
    return true;
}

void FirmwareUpgrade::converted()
{
    if (failedUnlessSucceeded())
        return;
    startFlash(convertedImage->fileName());
}

void FirmwareUpgrade::startFlash(const QString &image)
{
    runStep(FirmwareStep::Flash, programs::kFlasherName, {"--flash", image}, runLimits.silenceMs);
}

// A failed flash stops here, so the module stays in its bootloader for another
// try instead of starting a half-written image.
void FirmwareUpgrade::flashed()
{
    if (failedUnlessSucceeded())
        return;
    pauseBeforeLeave.start(runLimits.pauseBeforeLeaveMs);
}

void FirmwareUpgrade::runLeave()
{
    enterPhase(FirmwarePhase::Leave);
    runStep(FirmwareStep::Leave, programs::kFlasherName, {"--leave"}, runLimits.programMs);
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
    if (phase == newPhase)
        return;
    phase = newPhase;
    emit phaseChanged(newPhase);
}

void FirmwareUpgrade::fail(bool ranToItsEnd, const QString &reason)
{
    const FirmwareFailure failure{step, ranToItsEnd, reason};
    finish();
    emit failed(failure);
}

// Ends the run under way; a new one may start from the receivers of the
// signal that follows.
void FirmwareUpgrade::finish()
{
    deadline.stop();
    pauseBeforeLeave.stop();
    convertedImage.reset();
    phase.reset();
    operation = Operation::None;
}

// The program has ended: its signals are cut off and it is deleted once
// control is back in the event loop, as this may run inside its own signal.
void FirmwareUpgrade::retireProgram()
{
    if (!process)
        return;
    process->disconnect(this);
    process->deleteLater();
    process = nullptr;
}

void FirmwareUpgrade::stopProgram()
{
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(kReapLimitMs);
    }
    retireProgram();
}

} // namespace firmware
