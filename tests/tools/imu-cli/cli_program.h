// SPDX-License-Identifier: GPL-3.0-or-later
// orvik-imu-cli run as a script runs it, against a running simulator or
// none, for the tests of its commands.
#pragma once

#include "support/simulator_process.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace cli::testing {

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;

    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// Long enough for a loaded machine; only a failure waits this long.
constexpr int kPatienceMs = 60000;

class CliProgram
{
public:
    explicit CliProgram(const imusim::testing::SimulatorProcess *simulator)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("IMU_SERIAL_PORT");
        if (simulator)
            environment.insert("IMU_SIM_DIR", QString::fromStdString(simulator->directory()));
        environment.insert("DFUSE_TOOL_DEVICE", "sim");
        environment.insert("PATH", QStringLiteral(ORVIK_TOOLS_DIR ":") + environment.value("PATH"));
        process.setProcessEnvironment(environment);
    }

    void start(const QString &arguments) { start(arguments.split(' ', Qt::SkipEmptyParts)); }
    void start(const QStringList &arguments) { process.start(ORVIK_CLI, arguments); }

    void kill()
    {
        process.kill(); // SIGKILL: nothing is cleaned up
        process.waitForFinished();
    }

    // SIGTERM, as a supervisor stops a run.
    void terminate() { process.terminate(); }

    // Whether standard error came to hold `text` within `patience`.
    bool waitForError(const QString &text, int patience = kPatienceMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (!errorSoFar.contains(text.toUtf8()) && waited.elapsed() < patience &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
            errorSoFar += process.readAllStandardError();
        }
        return errorSoFar.contains(text.toUtf8());
    }

    CliResult finish(int patience = kPatienceMs)
    {
        CliResult result;
        if (!process.waitForFinished(patience)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(errorSoFar + process.readAllStandardError());
        return result;
    }

private:
    QProcess process;
    QByteArray errorSoFar; // what waitForError() read
};

template <class Arguments>
CliResult runCli(const imusim::testing::SimulatorProcess *simulator, const Arguments &arguments)
{
    CliProgram program(simulator);
    program.start(arguments);
    return program.finish();
}

} // namespace cli::testing
