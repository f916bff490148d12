// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater.h"

#include "programs/programs.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace firmware {

namespace {

const QString kApplicationName = QStringLiteral("ORVIK-IMU");
const QString kApplicationVersion = QStringLiteral(ORVIK_VERSION);

} // namespace

void startUpdater(bool displayStartWindow, const prompts::Prompter &prompter)
{
    const QStringList arguments = programs::updaterArguments(
        QCoreApplication::applicationPid(), programs::updateManifestUrl(ORVIK_UPDATE_HOST),
        kApplicationName, kApplicationVersion, QDir(QCoreApplication::applicationDirPath()).path(),
        displayStartWindow);
    if (!QProcess::startDetached(programs::locate(programs::kUpdaterName), arguments, QString()))
        prompter.log("Failed to start the updater.");
}

} // namespace firmware
