// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner.h"

#include "analyze.h"
#include "calibrate.h"
#include "firmware_commands.h"
#include "module_commands.h"
#include "record.h"
#include "recover.h"
#include "sample_listener.h"
#include "station.h"

#include <QJsonArray>

#include <memory>

namespace cli {

namespace {

constexpr char noModuleFound[] = "no module found";

CalibrationRequest calibrationRequest(const Invocation &invocation)
{
    return {invocation.seconds, invocation.write, invocation.chips, invocation.poses};
}

Outcome runOnModule(const Invocation &invocation, IMUserial::IMUSerial &device,
                    const Console &console)
{
    switch (invocation.command) {
    case Command::Version:
        return readVersion(device);
    case Command::SerialNumberGet:
        return readSerialNumber(device);
    case Command::SerialNumberSet:
        return writeSerialNumber(device, invocation.argument);
    case Command::Record:
        return record(device, {invocation.seconds, invocation.rate, invocation.out, invocation.raw},
                      console);
    case Command::CalibrationRead:
        return readCalibration(device, invocation.argument);
    case Command::CalibrationWrite:
        return writeCalibration(device, invocation.argument);
    case Command::CalibrationClear:
        return clearCalibration(device);
    case Command::GyroBias:
        return measureGyroBias(device, invocation.seconds, console);
    case Command::QuaternionOffsetRecord:
    case Command::QuaternionOffsetReset:
        return setQuaternionOffset(device, invocation.command == Command::QuaternionOffsetRecord);
    case Command::BootloaderJump:
        return jumpToBootloader(device);
    case Command::CalibrateMagnetometer:
        return calibrateMagnetometer(device, calibrationRequest(invocation), console);
    case Command::CalibrateAccelerometer:
        return calibrateAccelerometer(device, calibrationRequest(invocation), console);
    default:
        return failed(ExitCode::Usage, QStringLiteral("not a module command"));
    }
}

QJsonObject probe(const FoundModule &found)
{
    QJsonObject module{{"port", found.port}, {"uid", found.unitId}};
    const std::unique_ptr<IMUserial::IMUSerial> device = openModule(found.port);
    if (!device)
        return module;
    const Outcome version = readVersion(*device);
    const Outcome sn = readSerialNumber(*device);
    module["version"] = version.data["version"];
    module["serial_number"] = sn.data["serial_number"];
    return module;
}

Outcome list(const Invocation &invocation, const Environment &environment)
{
    const QList<FoundModule> found = environment.discoverModules();
    QJsonArray modules;
    QStringList lines;
    for (const FoundModule &each : found) {
        const QJsonObject module =
            invocation.probe ? probe(each) : QJsonObject{{"port", each.port}};
        modules.append(module);
        QStringList fields{each.port};
        if (invocation.probe) {
            fields << module["version"].toString("?") << module["serial_number"].toString("?")
                   << (each.unitId.isEmpty() ? QStringLiteral("?") : each.unitId);
        }
        lines << fields.join('\t');
    }
    const QJsonObject data{{"modules", modules}};
    if (found.isEmpty())
        return failed(ExitCode::NoDevice, QString::fromLatin1(noModuleFound), data);
    return succeeded(lines.join('\n'), data);
}

} // namespace

QStringList portsOf(const QList<FoundModule> &modules)
{
    QStringList ports;
    for (const FoundModule &module : modules)
        ports.append(module.port);
    return ports;
}

PortChoice choosePort(const QString &requested, const QStringList &discovered)
{
    if (!requested.isEmpty())
        return {requested, std::nullopt};
    if (discovered.isEmpty())
        return {{}, failed(ExitCode::NoDevice, QString::fromLatin1(noModuleFound))};
    if (discovered.size() > 1)
        return {{},
                failed(ExitCode::NoDevice,
                       "several modules found, choose one with --port: " + discovered.join(", "),
                       {{"ports", QJsonArray::fromStringList(discovered)}})};
    return {discovered.first(), std::nullopt};
}

Outcome run(const Invocation &invocation, const Environment &environment)
{
    switch (invocation.command) {
    case Command::Help:
        return succeeded(helpText().trimmed());
    case Command::List:
        return list(invocation, environment);
    case Command::BootloaderLeave:
        return leaveBootloader();
    case Command::Flash:
        return flashImage(invocation.argument, environment.console);
    case Command::Recover:
        return recover(invocation);
    case Command::CalibrateFit:
        return fitRecording(invocation.from);
    case Command::Station:
        return runStation(invocation.station, environment);
    case Command::AnalyzeNoise:
        return analyzeNoise({invocation.argument, invocation.samplesPerSecond, invocation.kalibr,
                             invocation.chips == ChipChoice::Second ? 2 : 1},
                            environment.console);
    default:
        break;
    }
    const PortChoice choice = choosePort(
        invocation.port,
        invocation.port.isEmpty() ? portsOf(environment.discoverModules()) : QStringList{});
    if (choice.refusal)
        return *choice.refusal;
    const std::unique_ptr<IMUserial::IMUSerial> device = openModule(choice.port);
    if (!device)
        return failed(ExitCode::NoDevice, "cannot open the module on " + choice.port,
                      {{"port", choice.port}});
    Outcome outcome = runOnModule(invocation, *device, environment.console);
    outcome.data["port"] = choice.port;
    return outcome;
}

} // namespace cli
