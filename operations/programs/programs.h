// SPDX-License-Identifier: GPL-3.0-or-later
// Locating and describing the external programs the window starts.
#pragma once

#include <QString>
#include <QStringList>

namespace programs {

inline const QString kUpdaterName = QStringLiteral("QUpdater");
inline const QString kFlasherName = QStringLiteral("dfuse-tool");
inline const QString kConverterName = QStringLiteral("dfu-convert");

// The program's file name on this platform ("QUpdater.exe" on Windows).
QString executableName(const QString &baseName);

// The program beside the application if it is there, else the one found on
// the search path; the bare file name when neither exists, so that starting
// it fails the ordinary way.
QString locate(const QString &baseName);

// "https://<host>:443/ORVIK_IMU/updates.json"
QString updateManifestUrl(const QString &host);

// The updater's six arguments: process id, manifest address, application
// name, version, the application directory in double quotes, "show"/"hide".
QStringList updaterArguments(qint64 pid, const QString &manifestUrl, const QString &appName,
                             const QString &version, const QString &appDir, bool show);

} // namespace programs
