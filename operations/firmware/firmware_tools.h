// SPDX-License-Identifier: GPL-3.0-or-later
// Running the external firmware programs and reading their results: the DFU
// flasher (--list, --flash, --leave) and the .bin/.hex to .dfu converter.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace firmware {

struct ToolRun
{
    bool started = false;
    bool finished = false; // ended within the time limit
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const
    {
        return finished && exitStatus == QProcess::NormalExit && exitCode == 0;
    }
};

// How long a firmware program may run: a listing, a conversion or a leave
// takes seconds at most.
constexpr int kDefaultTimeLimitMs = 30000;
// How long a killed program may take to be reaped.
constexpr int kReapLimitMs = 5000;

// Runs the program (found beside the application first) with the arguments,
// each passed as one argument, and waits for it at most the default time
// limit. A program still running then is killed and reaped. Safe on any
// thread, but blocks it.
ToolRun run(const QString &programBaseName, const QStringList &arguments);

// Why a run that did not succeed failed, in one line for the operator: the
// last error line the program printed (one naming the program first; the
// problem alone when the flasher refused the image), else
// how it ended ("timed out", "could not start dfu-convert", an exit code).
QString failureReason(const QString &programBaseName, const ToolRun &run);

// The log line for a line of the flasher's --flash output that states the
// image's version or its lack of one: "Flashing version 1.2.3".
std::optional<QString> imageNote(QByteArrayView line);

// The version an imageNote() states ("1.2.3"); nothing for an image that
// states none.
std::optional<QString> versionInImageNote(const QString &note);

// Whether the flasher's --list output names an STM32 DFU bootloader.
bool listsDfuDevice(const QByteArray &listOutput);

// The flasher's arguments for `action` (--list, --flash FILE, --leave): on the
// device with USB serial number `serialNumber` only, unless it is empty.
QStringList flasherArguments(const QString &serialNumber, const QStringList &action);

// The image kind: the file's suffix in lower case ("dfu", "bin", "hex", ...).
QString imageKind(const QString &path);

// The converter's arguments: "-b", "0x8020000:<input>" (the application's
// flash address), output for a .bin input; "-i", input, output otherwise.
QStringList converterArguments(const QString &input, const QString &output);

// The output path with ".dfu" appended unless it already ends so (any case).
QString withDfuSuffix(const QString &path);

} // namespace firmware
