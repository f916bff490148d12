#include "firmwaretools.h"

#include "programs.h"

#include <QFileInfo>

#include <atomic>

namespace firmwaretools {

namespace {

std::atomic<int> timeLimit{30000};
// How long a killed program may take to be reaped.
constexpr int reapLimitMs = 5000;

} // namespace

void setTimeLimitMs(int ms)
{
    timeLimit = ms;
}

ToolRun run(const QString &programBaseName, const QStringList &arguments)
{
    QProcess process;
    process.start(programs::locate(programBaseName), arguments, QIODevice::ReadWrite);
    ToolRun result;
    result.finished = process.waitForFinished(timeLimit);
    if (!result.finished && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(reapLimitMs);
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (result.finished) {
        result.exitCode = process.exitCode();
        result.exitStatus = process.exitStatus();
    }
    return result;
}

bool listsDfuDevice(const QByteArray &listOutput)
{
    return QString::fromUtf8(listOutput).contains(QLatin1String("Device VID: 0x0483 PID: 0xdf11"));
}

QString imageKind(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

QStringList converterArguments(const QString &input, const QString &output)
{
    if (imageKind(input) == QLatin1String("bin"))
        return {"-b", applicationAddress + ":" + input, output};
    return {"-i", input, output};
}

QString withDfuSuffix(const QString &path)
{
    return path.endsWith(QLatin1String(".dfu"), Qt::CaseInsensitive) ? path : path + ".dfu";
}

} // namespace firmwaretools
