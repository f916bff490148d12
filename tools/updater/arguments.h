// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "version.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace updater {

enum class DisplayMode
{
    Show, // a window from the start
    Hide, // silent unless a newer version is offered
};

// The command line the application starts the updater with, in this order:
// process id, manifest address, application name, application version,
// application directory in one pair of double quotes, "show" or "hide".
struct UpdaterArguments
{
    qint64 processId = 0;
    QUrl manifestUrl; // as it will be fetched
    QString applicationName;
    QString versionText;
    Version version;
    QString applicationDirectory; // without the quotes
    DisplayMode displayMode = DisplayMode::Hide;
};

struct ArgumentsResult
{
    std::optional<UpdaterArguments> arguments;
    QString error;
};

// `arguments` excludes the program name.
ArgumentsResult parseArguments(const QStringList &arguments);

// Whether an argument error may be shown in a box: only when the caller asked
// for a visible updater, even if the rest of the command line is broken.
bool wantsVisibleErrors(const QStringList &arguments);

QString usageText();
// What the program does, its options and exit status, for --help.
QString helpText();

} // namespace updater
