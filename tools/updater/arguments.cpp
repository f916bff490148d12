// SPDX-License-Identifier: GPL-3.0-or-later
#include "arguments.h"

#include "transport_policy.h"

#include <QCoreApplication>

namespace updater {

namespace {

constexpr qsizetype kArgumentCount = 6;
constexpr qint64 kMaxProcessId = 0xFFFFFFFFLL; // process ids are 32-bit on every platform

QString tr(const char *text)
{
    return QCoreApplication::translate("Arguments", text);
}

std::optional<qint64> parseProcessId(const QString &text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const qint64 id = text.toLongLong();
    if (id < 1 || id > kMaxProcessId)
        return std::nullopt;
    return id;
}

// Exactly one pair is removed, so a directory whose name itself starts and ends
// with a quote keeps those characters.
std::optional<QString> stripOneQuotePair(const QString &text)
{
    const QChar quote = QLatin1Char('"');
    if (text.size() < 2 || !text.startsWith(quote) || !text.endsWith(quote))
        return std::nullopt;
    return text.mid(1, text.size() - 2);
}

std::optional<DisplayMode> parseDisplayMode(const QString &text)
{
    if (text == QLatin1String("show"))
        return DisplayMode::Show;
    if (text == QLatin1String("hide"))
        return DisplayMode::Hide;
    return std::nullopt;
}

ArgumentsResult failure(const QString &reason)
{
    return {std::nullopt, reason};
}

} // namespace

ArgumentsResult parseArguments(const QStringList &arguments)
{
    if (arguments.size() != kArgumentCount)
        return failure(tr("Expected 6 arguments, got %1.").arg(arguments.size()));

    UpdaterArguments parsed;
    const std::optional<qint64> processId = parseProcessId(arguments.at(0));
    if (!processId)
        return failure(
            tr("The process id \"%1\" is not a positive decimal number.").arg(arguments.at(0)));
    parsed.processId = *processId;

    const FetchAddress address = checkFetchAddress(QUrl(arguments.at(1), QUrl::StrictMode));
    if (address.url.isEmpty())
        return failure(tr("Manifest address: %1").arg(address.error));
    parsed.manifestUrl = address.url;

    parsed.applicationName = arguments.at(2);
    if (parsed.applicationName.trimmed().isEmpty())
        return failure(tr("The application name is empty."));

    parsed.versionText = arguments.at(3);
    const std::optional<Version> version = parseVersion(parsed.versionText);
    if (!version)
        return failure(
            tr("The version \"%1\" is not a dotted version number.").arg(parsed.versionText));
    parsed.version = *version;

    const std::optional<QString> directory = stripOneQuotePair(arguments.at(4));
    if (!directory || directory->isEmpty())
        return failure(tr("The application directory must be given in double quotes, got %1.")
                           .arg(arguments.at(4)));
    parsed.applicationDirectory = *directory;

    const std::optional<DisplayMode> mode = parseDisplayMode(arguments.at(5));
    if (!mode)
        return failure(
            tr("The display mode must be \"show\" or \"hide\", got \"%1\".").arg(arguments.at(5)));
    parsed.displayMode = *mode;
    return {parsed, {}};
}

bool wantsVisibleErrors(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.last() == QLatin1String("show");
}

QString helpText()
{
    return tr("Checks for a newer version of the application that started it, offers it in a "
              "window, downloads it, verifies its signature and hands it over once the "
              "application has exited. The application starts it; with \"hide\" it stays "
              "silent unless a newer version is offered.\n\n"
              "Options:\n"
              "  -h, --help     this text\n"
              "  -V, --version  the version\n\n"
              "Exit status:\n"
              "  0  done: up to date, or the update was handed over or declined\n"
              "  1  the check or the update failed\n"
              "  2  usage: a wrong command line");
}

QString usageText()
{
    return tr("Usage: QUpdater <process id> <manifest address> <application name> <version> "
              "\"<application directory>\" show|hide");
}

} // namespace updater
