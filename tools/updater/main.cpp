// SPDX-License-Identifier: GPL-3.0-or-later
// QUpdater: checks for a newer version of the application that started it,
// offers it, downloads and verifies it, and hands it over once the
// application has exited. See arguments.h for the command line.
#include "arguments.h"
#include "exit_code.h"
#include "platform.h"
#include "update_controller.h"
#include "update_keys.h"
#include "updater_window.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace updater;

namespace {

void reportArgumentError(const QString &error, bool visible)
{
    const QString text = error + QLatin1Char('\n') + usageText();
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    if (visible)
        QMessageBox::critical(nullptr, QObject::tr("Updater"), text);
}

UpdaterSettings settingsFor(const UpdaterArguments &arguments)
{
    UpdaterSettings settings;
    settings.manifestUrl = arguments.manifestUrl;
    settings.applicationName = arguments.applicationName;
    settings.installedVersion = arguments.version;
    settings.applicationProcessId = arguments.processId;
    settings.platformKey = currentPlatformKey();
    settings.downloadFolder = QDir::tempPath();
    settings.publicKeys = builtInUpdateKeys();
    return settings;
}

// --help and --version are answered before any window or display is needed.
std::optional<int> answerInformationOption(int argc, char *argv[])
{
    if (argc != 2)
        return std::nullopt;
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::printf("%s\n\n%s\n", qUtf8Printable(usageText()), qUtf8Printable(helpText()));
        return 0;
    }
    if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "-V")) {
        std::puts("QUpdater " ORVIK_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const auto exitCode = answerInformationOption(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // the window says when the run is over

    const QStringList arguments = app.arguments().mid(1);
    const ArgumentsResult parsed = parseArguments(arguments);
    if (!parsed.arguments) {
        reportArgumentError(parsed.error, wantsVisibleErrors(arguments));
        return static_cast<int>(ExitCode::Usage);
    }

    UpdateController controller(settingsFor(*parsed.arguments),
                                {isProcessRunning, handOverPackage});
    UpdaterWindow window(&controller, *parsed.arguments);
    QObject::connect(&window, &UpdaterWindow::finished, &app, [&](int exitCode) {
        if (controller.state() == UpdateState::Failed)
            std::fprintf(stderr, "%s\n", qUtf8Printable(controller.errorText()));
        app.exit(exitCode);
    });
    controller.start();
    return app.exec();
}
