// SPDX-License-Identifier: GPL-3.0-or-later
#include "invocation.h"

#include "identity/identity.h"

#include <QMap>

#include <cmath>

namespace cli {

namespace {

enum class Argument
{
    None,
    Required,
    Optional,
};

struct CommandForm
{
    QStringList words;
    Argument argument;
    Command command;
    QStringList options; // those it accepts besides --port and --json
};

const QList<CommandForm> &commandForms()
{
    static const QList<CommandForm> forms = {
        {{"help"}, Argument::None, Command::Help, {}},
        {{"list"}, Argument::None, Command::List, {"--probe"}},
        {{"version"}, Argument::None, Command::Version, {}},
        {{"sn", "get"}, Argument::None, Command::SerialNumberGet, {}},
        {{"sn", "set"}, Argument::Required, Command::SerialNumberSet, {}},
        {{"record"}, Argument::None, Command::Record, {"--seconds", "--rate", "--out", "--raw"}},
        {{"calibration", "read"}, Argument::Optional, Command::CalibrationRead, {}},
        {{"calibration", "write"}, Argument::Required, Command::CalibrationWrite, {}},
        {{"calibration", "clear"}, Argument::None, Command::CalibrationClear, {}},
        {{"gyro-bias"}, Argument::None, Command::GyroBias, {"--hold"}},
        {{"quat-offset", "record"}, Argument::None, Command::QuaternionOffsetRecord, {}},
        {{"quat-offset", "reset"}, Argument::None, Command::QuaternionOffsetReset, {}},
        {{"dfu", "jump"}, Argument::None, Command::BootloaderJump, {}},
        {{"dfu", "leave"}, Argument::None, Command::BootloaderLeave, {}},
        {{"flash"}, Argument::Required, Command::Flash, {}},
        {{"recover"}, Argument::None, Command::Recover, {"--list", "--export", "--discard"}},
        {{"calibrate", "mag"},
         Argument::None,
         Command::CalibrateMagnetometer,
         {"--seconds", "--write"}},
        {{"calibrate", "acc"},
         Argument::None,
         Command::CalibrateAccelerometer,
         {"--chip", "--poses", "--seconds", "--write"}},
        {{"calibrate", "fit"}, Argument::None, Command::CalibrateFit, {"--from"}},
        {{"analyze", "noise"},
         Argument::Required,
         Command::AnalyzeNoise,
         {"--rate", "--kalibr", "--chip"}},
        {{"station"},
         Argument::None,
         Command::Station,
         {"--ports", "--all", "--flash", "--sn", "--sn-map", "--gyro-bias", "--report", "--jobs"}},
    };
    return forms;
}

const QStringList valueOptions = {"--port",   "--seconds", "--rate",  "--out",    "--hold",
                                  "--export", "--chip",    "--poses", "--from",   "--kalibr",
                                  "--ports",  "--flash",   "--sn",    "--sn-map", "--gyro-bias",
                                  "--report", "--jobs"};
const QStringList flagOptions = {"--json",  "--probe", "--list", "--discard",
                                 "--write", "--raw",   "--all"};
constexpr int mostPoses = 100;
constexpr int highestRateCode = IMUserial::DATARATE_200HZ;

std::optional<double> positiveSeconds(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return std::nullopt;
    return seconds;
}

// Applies one of the station's options; an error text when its value is wrong.
QString applyStationOption(StationOptions &station, const QString &name, const QString &value)
{
    if (name == "--ports") {
        station.ports = value.split(',', Qt::SkipEmptyParts);
        if (station.ports.isEmpty())
            return QStringLiteral("--ports needs one port or more, separated by commas");
    } else if (name == "--flash") {
        station.image = value;
    } else if (name == "--sn") {
        station.serialPattern = value;
    } else if (name == "--sn-map") {
        station.serialMap = value;
    } else if (name == "--gyro-bias") {
        station.gyroBias = positiveSeconds(value);
        if (!station.gyroBias)
            return QStringLiteral("--gyro-bias needs a positive number of seconds");
    } else if (name == "--report") {
        station.reportFolder = value;
    } else if (name == "--jobs") {
        bool ok = false;
        station.jobs = value.toInt(&ok);
        if (!ok || station.jobs < 1)
            return QStringLiteral("--jobs needs a number of units, 1 or more");
    }
    return {};
}

// Applies one option; an error text when its value is wrong.
QString applyOption(Invocation &invocation, const QString &name, const QString &value)
{
    static const QStringList stationOptions{"--ports",     "--flash",  "--sn",  "--sn-map",
                                            "--gyro-bias", "--report", "--jobs"};
    if (stationOptions.contains(name))
        return applyStationOption(invocation.station, name, value);
    if (name == "--json") {
        invocation.json = true;
    } else if (name == "--probe") {
        invocation.probe = true;
    } else if (name == "--port") {
        invocation.port = value;
    } else if (name == "--out") {
        invocation.out = value;
    } else if (name == "--list") {
        invocation.recoverAction = RecoverAction::List;
    } else if (name == "--export") {
        invocation.recoverAction = RecoverAction::Export;
        invocation.out = value;
    } else if (name == "--discard") {
        invocation.recoverAction = RecoverAction::Discard;
    } else if (name == "--write") {
        invocation.write = true;
    } else if (name == "--raw") {
        invocation.raw = true;
    } else if (name == "--kalibr") {
        invocation.kalibr = value;
    } else if (name == "--from") {
        invocation.from = value;
    } else if (name == "--chip") {
        static const QMap<QString, ChipChoice> chips{
            {"1", ChipChoice::First}, {"2", ChipChoice::Second}, {"both", ChipChoice::Both}};
        if (!chips.contains(value))
            return QStringLiteral("--chip needs 1, 2 or both");
        invocation.chips = chips[value];
    } else if (name == "--poses") {
        bool ok = false;
        invocation.poses = value.toInt(&ok);
        if (!ok || invocation.poses < 6 || invocation.poses > mostPoses)
            return QStringLiteral("--poses needs a number from 6 to %1").arg(mostPoses);
    } else if (name == "--seconds" || name == "--hold") {
        const std::optional<double> seconds = positiveSeconds(value);
        if (!seconds)
            return name + " needs a positive number of seconds";
        invocation.seconds = *seconds;
    }
    return {};
}

// record takes a rate code, analyze noise samples per second.
QString applyRate(Invocation &invocation, const QString &text)
{
    bool ok = false;
    if (invocation.command == Command::AnalyzeNoise) {
        const double rate = text.toDouble(&ok);
        if (!ok || !std::isfinite(rate) || rate <= 0)
            return QStringLiteral("--rate needs samples per second, a positive number");
        invocation.samplesPerSecond = rate;
        return {};
    }
    const int code = text.toInt(&ok);
    if (!ok || code < 0 || code > highestRateCode)
        return QStringLiteral("--rate needs a rate code from 0 to %1").arg(highestRateCode);
    invocation.rate = IMUserial::DATARATE(code);
    return {};
}

const CommandForm *formFor(const QStringList &words, int &argumentsLeft)
{
    for (const CommandForm &form : commandForms()) {
        if (words.mid(0, form.words.size()) != form.words)
            continue;
        argumentsLeft = int(words.size() - form.words.size());
        const int most = form.argument == Argument::None ? 0 : 1;
        const int least = form.argument == Argument::Required ? 1 : 0;
        if (argumentsLeft >= least && argumentsLeft <= most)
            return &form;
    }
    return nullptr;
}

QString checkCommand(const CommandForm &form, const Invocation &invocation,
                     const QStringList &optionsGiven)
{
    for (const QString &option : optionsGiven) {
        if (option != "--port" && option != "--json" && !form.options.contains(option))
            return option + " does not apply to " + form.words.join(' ');
    }
    switch (form.command) {
    case Command::Record:
        if (!optionsGiven.contains("--seconds") || invocation.out.isEmpty())
            return QStringLiteral("record needs --seconds N and --out FILE.csv");
        break;
    case Command::GyroBias:
        if (!optionsGiven.contains("--hold"))
            return QStringLiteral("gyro-bias needs --hold SECONDS");
        break;
    case Command::Recover:
        if (optionsGiven.count("--list") + optionsGiven.count("--export") +
                optionsGiven.count("--discard") >
            1)
            return QStringLiteral("recover takes one of --list, --export DIR and --discard");
        break;
    case Command::CalibrateFit:
        if (invocation.from.isEmpty())
            return QStringLiteral("calibrate fit needs --from FILE-calibration.csv");
        break;
    case Command::AnalyzeNoise:
        if (!invocation.kalibr.isEmpty() && invocation.chips == ChipChoice::Both &&
            optionsGiven.contains("--chip"))
            return QStringLiteral("--kalibr describes one chip: --chip 1 or 2");
        break;
    case Command::Station:
        if (optionsGiven.contains("--ports") && optionsGiven.contains("--all"))
            return QStringLiteral("station takes --ports or --all, not both");
        if (optionsGiven.contains("--sn") && optionsGiven.contains("--sn-map"))
            return QStringLiteral("station takes --sn PATTERN or --sn-map FILE.csv, not both");
        break;
    case Command::SerialNumberSet:
        if (!identity::isValidSerialNumber(invocation.argument))
            return QStringLiteral("a serial number is nine characters, each A-Z or 0-9");
        break;
    default:
        break;
    }
    return {};
}

} // namespace

ParsedArguments parseArguments(const QStringList &arguments)
{
    Invocation invocation;
    QStringList words;
    QStringList optionsGiven;
    QString rateText; // a rate code or samples per second, as the command reads it
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (name == "-h" || name == "--help")
            return {Invocation{}, {}};
        if (!name.startsWith("--")) {
            words << name;
            continue;
        }
        QString value;
        const qsizetype equals = name.indexOf('=');
        if (equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (valueOptions.contains(name)) {
            if (++i == arguments.size())
                return {std::nullopt, name + " needs a value"};
            value = arguments[i];
        }
        if (!valueOptions.contains(name) && !flagOptions.contains(name))
            return {std::nullopt, "unknown option " + name};
        if (name == "--rate")
            rateText = value;
        if (const QString error = applyOption(invocation, name, value); !error.isEmpty())
            return {std::nullopt, error};
        optionsGiven << name;
    }
    if (words.isEmpty())
        return {std::nullopt, QStringLiteral("no command given")};
    int argumentsLeft = 0;
    const CommandForm *form = formFor(words, argumentsLeft);
    if (!form)
        return {std::nullopt, "unknown command: " + words.join(' ')};
    invocation.command = form->command;
    if (argumentsLeft == 1)
        invocation.argument = words.last();
    if (const QString error = checkCommand(*form, invocation, optionsGiven); !error.isEmpty())
        return {std::nullopt, error};
    if (!rateText.isNull())
        if (const QString error = applyRate(invocation, rateText); !error.isEmpty())
            return {std::nullopt, error};
    return {invocation, {}};
}

bool needsModule(Command command)
{
    return command != Command::Help && command != Command::List &&
           command != Command::BootloaderLeave && command != Command::Flash &&
           command != Command::Recover && command != Command::CalibrateFit &&
           command != Command::AnalyzeNoise && command != Command::Station;
}

QString helpText()
{
    return QStringLiteral(
        R"(Usage: orvik-imu-cli [--port PATH] [--json] COMMAND

Commands:
  list [--probe]                  the modules found, one port a line; with
                                  --probe also each one's version, serial number
                                  and unit ID
  version                         the firmware version
  sn get                          the serial number
  sn set TEXT                     store a serial number: nine characters, A-Z or 0-9
  record --seconds N --out FILE.csv [--rate CODE] [--raw]
                                  record the stream for N seconds as CSV (the
                                  window's export format); CODE 0-5 is 1, 5, 10,
                                  50, 100 or 200 samples per second; --raw records
                                  calibration mode instead (both chips' raw
                                  readings, to FILE-calibration.csv)
  calibration read [FILE.json]    the three stored calibration sets (to stdout
                                  without FILE)
  calibration write FILE.json     store the sets of FILE and read them back
  calibration clear               store neutral sets and read them back
  gyro-bias --hold SECONDS        measure the gyroscope biases while the module
                                  is held still, then read them back
  quat-offset record|reset        record or reset the quaternion offset
  dfu jump                        restart the module into its DFU bootloader
  dfu leave                       start the application from the bootloader
  flash FILE                      flash a .dfu, .bin or .hex image through
                                  dfu-convert and dfuse-tool, then leave the
                                  bootloader (the module must be in it: dfu jump)
  calibrate mag [--seconds N] [--write]
                                  turn the module in every direction for N
                                  seconds (default 60) in calibration mode; fit
                                  the magnetometer and show its quality; with
                                  --write store it, read it back and verify it
                                  on the calibrated stream
  calibrate acc [--chip 1|2|both] [--poses N] [--seconds N] [--write]
                                  hold the module still in N poses (default 12,
                                  at most N seconds, default 120); fit each
                                  chip's accelerometer, as for mag
  calibrate fit --from FILE-calibration.csv
                                  fit every sensor a calibration-mode recording
                                  allows, nothing written
  analyze noise FILE.csv [--rate HZ] [--kalibr IMU.yaml [--chip 1|2]]
                                  Allan deviation and noise parameters (white
                                  noise, bias instability, random walk) of each
                                  chip, sensor and axis of a still recording;
                                  --kalibr writes one chip's noise as a Kalibr
                                  IMU file (default chip 1)
  station [OPTIONS]               set up a tray of modules in parallel: identify
                                  each, flash FILE through the bootloader with its
                                  unit ID and read the version back, store a
                                  serial number and read it back, measure the
                                  gyroscope bias, identify it again; a unit that
                                  fails stops alone; status 0 only when every
                                  unit passed. Its options: --ports P1,P2,... (or
                                  --all, the default: every module found),
                                  --flash FILE, --sn PATTERN (such as
                                  ORV{seq:06}, numbered in unit ID order) or
                                  --sn-map FILE.csv (unit ID, serial number),
                                  --gyro-bias SECONDS, --report DIR (UID.json per
                                  unit and summary.csv), --jobs N (units at once)
  recover [--list | --export DIR | --discard]
                                  the recordings a program left unsaved (it was
                                  killed or crashed): list them (the default),
                                  write each as CSV into DIR and remove it, or
                                  remove them

Options:
  --port PATH   the module's serial port; without it the single module found
                is used, and several are an error that lists them
  --json        one JSON object on standard output instead of text
  -h, --help    this text
  -V, --version  the program's version

Progress goes to standard error when it is a terminal.

Exit status:
  0  done
  1  the module refused, or the operation failed
  2  usage: a wrong command line, or a file it names that cannot be used
  3  no module (or no DFU bootloader), or several and no --port
)");
}

} // namespace cli
