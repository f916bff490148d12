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

} // namespace

int main(int argc, char *argv[])
{
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
