// SPDX-License-Identifier: GPL-3.0-or-later
// orvik-imu-cli: the module's commands for scripts, test benches and
// production lines. See docs/cli.md.
#include "module_commands.h"
#include "runner.h"

#include "port_discovery.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

cli::Console console()
{
    cli::Console console;
    console.notice = [](const QString &line) { writeTo(stderr, line.toUtf8() + '\n'); };
    // One line rewritten in place, and only where a person watches it.
    if (isatty(STDERR_FILENO)) {
        console.progress = [](const QString &line) { writeTo(stderr, "\r\033[K" + line.toUtf8()); };
    }
    return console;
}

// A recording or a measurement stopped with Ctrl+C or by a supervisor ends
// cleanly: the module is told to stop and the samples taken are written.
void interruptOnStopSignals()
{
    for (const int signalNumber : {SIGINT, SIGTERM})
        std::signal(signalNumber, [](int) { cli::requestInterruption(); });
}

// The port the operator configured, read before any command sets the
// variable to open a module.
const QString configuredPort = qEnvironmentVariable("IMU_SERIAL_PORT");

QList<cli::FoundModule> discoverModules()
{
    QList<cli::FoundModule> found;
    for (const IMUserial::ModulePort &port : IMUserial::findModuleUnits(configuredPort))
        found.append({port.name, port.unitId});
    return found;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments == QStringList{"--version"} || arguments == QStringList{"-V"}) {
        writeTo(stdout, "orvik-imu-cli " ORVIK_VERSION "\n");
        return int(cli::ExitCode::Ok);
    }
    interruptOnStopSignals();
    const cli::ParsedArguments parsed = cli::parseArguments(arguments);
    if (!parsed.invocation) {
        writeTo(stderr,
                "orvik-imu-cli: " + parsed.error.toUtf8() + "\nTry 'orvik-imu-cli --help'.\n");
        return int(cli::ExitCode::Usage);
    }
    const cli::Invocation &invocation = *parsed.invocation;
    cli::Environment environment{discoverModules, console(), {}};
    if (isatty(STDERR_FILENO))
        environment.drawInPlace = [](const QByteArray &text) { writeTo(stderr, text); };
    const cli::Outcome outcome = cli::run(invocation, environment);
    if (isatty(STDERR_FILENO))
        writeTo(stderr, "\r\033[K");
    if (invocation.json)
        writeTo(stdout, cli::renderedJson(outcome));
    else
        writeTo(outcome.ok() ? stdout : stderr, cli::renderedText(outcome));
    return int(outcome.code);
}
