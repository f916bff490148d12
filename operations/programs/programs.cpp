// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/programs.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace programs {

QString executableName(const QString &baseName)
{
#ifdef Q_OS_WIN
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}

QString locate(const QString &baseName)
{
    const QString name = executableName(baseName);
    QString found = QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? name : found;
}

QString updateManifestUrl(const QString &host)
{
    return QStringLiteral("https://%1:443/ORVIK_IMU/updates.json").arg(host);
}

QStringList updaterArguments(qint64 pid, const QString &manifestUrl, const QString &appName,
                             const QString &version, const QString &appDir, bool show)
{
    return {QString::number(pid),
            manifestUrl,
            appName,
            version,
            QStringLiteral("\"%1\"").arg(appDir),
            show ? QStringLiteral("show") : QStringLiteral("hide")};
}

} // namespace programs
