// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QUrl>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <limits>
#include <sys/types.h>
#endif

namespace updater {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Platform", text);
}

QString openContainingFolder(const QString &packagePath)
{
    const QString folder = QFileInfo(packagePath).absolutePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return tr("The folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder));
    return {};
}

} // namespace

#ifdef _WIN32

QString currentPlatformKey()
{
    return QStringLiteral("windows-") + QSysInfo::buildCpuArchitecture();
}

bool isProcessRunning(qint64 processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(processId));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

QString handOverPackage(const QString &packagePath)
{
    const QString suffix = QFileInfo(packagePath).suffix().toLower();
    const QString nativePath = QDir::toNativeSeparators(packagePath);
    const QString folder = QFileInfo(packagePath).absolutePath();
    bool started = false;
    if (suffix == QLatin1String("exe"))
        started = QProcess::startDetached(packagePath, {}, folder);
    else if (suffix == QLatin1String("msi"))
        started = QProcess::startDetached(QStringLiteral("msiexec"),
                                          {QStringLiteral("/i"), nativePath}, folder);
    else
        return openContainingFolder(packagePath);
    return started ? QString() : tr("The installer %1 could not be started.").arg(nativePath);
}

#else

QString currentPlatformKey()
{
#ifdef __APPLE__
    const QString system = QStringLiteral("macos-");
#else
    const QString system = QStringLiteral("linux-");
#endif
    return system + QSysInfo::buildCpuArchitecture();
}

bool isProcessRunning(qint64 processId)
{
    if (processId > std::numeric_limits<pid_t>::max())
        return false;
    // Signal 0 only asks whether the process exists; EPERM means it does but
    // belongs to someone else.
    return kill(pid_t(processId), 0) == 0 || errno == EPERM;
}

QString handOverPackage(const QString &packagePath)
{
    return openContainingFolder(packagePath);
}

#endif

} // namespace updater
