// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the firmware programs for the window without blocking its event loop:
// each program is a QProcess whose signals start the next step.
//
//   upgrade: list devices -> imageWanted() -> [convert .bin/.hex] -> flash
//            -> pause -> leave the bootloader
//   leave:   list devices -> leave the bootloader
//
// The listing, the conversion and the leave each have a time limit. The flash
// has none: it may take minutes at real flash speeds, so it is stopped only
// when its progress lines stop coming for the silence limit.
//
// Threads: everything, constructor to destructor, on the GUI thread.
// noBootloader, imageWanted, succeeded and failed come last in a step, so
// their receivers may run the event loop (a modal dialog). phaseChanged,
// progress and imageNoted come in the middle of reading a program's output: a receiver that
// runs the event loop (a modal QProgressDialog's setValue does) connects
// queued.
#pragma once

#include "firmware/firmware_tools.h"
#include "firmware/flash_progress.h"

#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>
#include <QTimer>

#include <memory>
#include <optional>

namespace firmware {

// The program a run was at when it ended.
enum class FirmwareStep
{
    List,
    Convert,
    Flash,
    Leave,
};

struct FirmwareFailure
{
    FirmwareStep step;
    // The program ended by itself, unsuccessfully; false when it could not
    // start, or was stopped at its time limit or for silence.
    bool ranToItsEnd;
    QString reason; // one line for the operator
};

class FirmwareUpgrade : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int programMs = kDefaultTimeLimitMs;
        int silenceMs = kDefaultTimeLimitMs; // flash without a progress line
        int pauseBeforeLeaveMs = 1000;       // the bootloader settles after the last write
    };

    explicit FirmwareUpgrade(QObject *parent = nullptr);
    // Kills and reaps a program still running.
    ~FirmwareUpgrade() override;

    // Tests shorten the limits; a run under way keeps the ones it began with.
    void setLimits(const Limits &limits);
    // The runs that follow work on the DFU device with this USB serial number
    // only (a unit among several in DFU mode); empty, as at first: any one.
    void setDeviceSerialNumber(const QString &serialNumber) { serialNumber_ = serialNumber; }

    // A run is under way, including the wait for the image after imageWanted().
    bool isBusy() const { return operation_ != Operation::None; }

    // Each returns false, and does nothing, while a run is under way.
    bool startUpgrade();
    bool startLeave();

    // The answers to imageWanted(): flash the image (.dfu as it is, .bin or
    // .hex converted first), or end the run without a word.
    void flashImage(const QString &path);
    void abandon();

signals:
    void noBootloader(); // the listing named no DFU bootloader
    void imageWanted();  // the bootloader is there; flashImage() or abandon()
    void phaseChanged(FirmwarePhase phase);
    void progress(qint64 done, qint64 total); // within the current phase
    void imageNoted(const QString &logLine);  // the version the flashed image states
    void succeeded();
    void failed(const FirmwareFailure &failure);

private:
    enum class Operation
    {
        None,
        Upgrade,
        Leave,
    };

    bool begin(Operation wanted);
    void runStep(FirmwareStep step, const QString &program, const QStringList &arguments,
                 int limitMs);
    void readProgressLines();
    QList<FlashProgress> takeProgressLines(const QByteArray &output);
    void stepEnded();
    void stepStopped(const QString &reason);
    bool failedUnlessSucceeded();
    void listed();
    void converted();
    void flashed();
    void left();
    void startFlash(const QString &image);
    void runLeave(); // the step, after a listing or a flash
    void enterPhase(FirmwarePhase phase);
    void reportProgress(const QList<FlashProgress> &lines);
    void fail(bool ranToItsEnd, const QString &reason);
    void finish();
    void retireProgram();
    void stopProgram();

    Limits limits_;
    Limits runLimits_; // those of the run under way
    QString serialNumber_;
    Operation operation_ = Operation::None;
    FirmwareStep step_ = FirmwareStep::List;
    QString program_;
    QProcess *process_ = nullptr; // the step's program, a child of this
    ToolRun run_;
    QByteArray unreadOutput_; // the start of a line not yet complete
    std::optional<FirmwarePhase> phase_;
    std::unique_ptr<QTemporaryFile> convertedImage_;
    QTimer deadline_; // the step's time limit, or the flash's silence limit
    QTimer pauseBeforeLeave_;
};

} // namespace firmware
