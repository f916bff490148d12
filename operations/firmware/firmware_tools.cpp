// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/firmware_tools.h"

#include "programs/programs.h"

#include "application_check.h"
#include "dfu_protocol.h"
#include "memory_layout.h"

#include <QFileInfo>

namespace firmware {

namespace {

constexpr char kFlashingVersion[] = "Flashing version ";

} // namespace

ToolRun run(const QString &programBaseName, const QStringList &arguments)
{
    QProcess process;
    process.start(programs::locate(programBaseName), arguments, QIODevice::ReadWrite);
    ToolRun result;
    result.started = process.waitForStarted(kDefaultTimeLimitMs);
    result.finished = result.started && process.waitForFinished(kDefaultTimeLimitMs);
    if (!result.finished && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(kReapLimitMs);
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (result.finished) {
        result.exitCode = process.exitCode();
        result.exitStatus = process.exitStatus();
    }
    return result;
}

namespace {

QStringList nonEmptyLines(const QByteArray &output)
{
    QStringList lines = QString::fromUtf8(output).split('\n');
    for (QString &line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines;
}

} // namespace

QString failureReason(const QString &programBaseName, const ToolRun &run)
{
    if (!run.started)
        return "could not start " + programBaseName;
    if (!run.finished)
        return QStringLiteral("timed out");
    const QStringList errors = nonEmptyLines(run.standardError);
    // The flasher's refusal of an image is said in the image's own terms.
    const QString refused = QString::fromLatin1(dfu::kImageRefusedPrefix).trimmed();
    for (const QString &line : errors)
        if (line.startsWith(refused))
            return line.mid(refused.size()).trimmed();
    for (auto line = errors.crbegin(); line != errors.crend(); ++line) {
        if (line->startsWith(programBaseName + ":"))
            return *line;
    }
    if (!errors.isEmpty())
        return errors.last();
    if (run.exitStatus == QProcess::CrashExit)
        return programBaseName + " crashed";
    const QStringList output = nonEmptyLines(run.standardOutput);
    if (!output.isEmpty())
        return output.last();
    return QString("%1 exited with code %2").arg(programBaseName).arg(run.exitCode);
}

bool listsDfuDevice(const QByteArray &listOutput)
{
    static const QByteArray signature = QByteArray::fromStdString(
        dfu::deviceSignature(dfu::kBootloaderVendorId, dfu::kBootloaderProductId));
    return listOutput.contains(signature);
}

QStringList flasherArguments(const QString &serialNumber, const QStringList &action)
{
    return serialNumber.isEmpty() ? action : QStringList{"--serial", serialNumber} + action;
}

std::optional<QString> versionInImageNote(const QString &note)
{
    if (!note.startsWith(kFlashingVersion))
        return std::nullopt;
    return note.mid(QLatin1String(kFlashingVersion).size());
}

std::optional<QString> imageNote(QByteArrayView line)
{
    const QString text = QString::fromUtf8(line).trimmed();
    const QLatin1String versionPrefix(dfu::kImageVersionPrefix);
    if (text.startsWith(versionPrefix))
        return kFlashingVersion + text.mid(versionPrefix.size());
    if (text == QLatin1String(dfu::kImageWithoutVersion))
        return QStringLiteral("Flashing an image that states no version");
    return std::nullopt;
}

QString imageKind(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

QStringList converterArguments(const QString &input, const QString &output)
{
    if (imageKind(input) == QLatin1String("bin"))
        return {"-b", QString("0x%1:").arg(dfu::kApplicationAddress, 0, 16) + input, output};
    return {"-i", input, output};
}

QString withDfuSuffix(const QString &path)
{
    return path.endsWith(QLatin1String(".dfu"), Qt::CaseInsensitive) ? path : path + ".dfu";
}

} // namespace firmware
