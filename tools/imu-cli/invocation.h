// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line was asked to do: the command, its argument and its
// options, checked before anything touches a module.
#pragma once

#include "imuserial.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// The documented exit statuses.
enum class ExitCode
{
    Ok = 0,
    Failed = 1,   // the module refused, or the operation failed
    Usage = 2,    // the command line (or a file it names) is wrong
    NoDevice = 3, // no module, or more than one to choose from
};

enum class Command
{
    Help,
    List,
    Version,
    SerialNumberGet,
    SerialNumberSet,
    Record,
    CalibrationRead,
    CalibrationWrite,
    CalibrationClear,
    GyroBias,
    QuaternionOffsetRecord,
    QuaternionOffsetReset,
    BootloaderJump,
    BootloaderLeave,
    Flash,
    Recover,
    CalibrateMagnetometer,
    CalibrateAccelerometer,
    CalibrateFit,
    AnalyzeNoise,
    Station,
};

// Which accelerometer chips a calibration fits.
enum class ChipChoice
{
    First,
    Second,
    Both,
};

// What recover does with each unsaved recording.
enum class RecoverAction
{
    List,
    Export,
    Discard,
};

// What the station does to each unit of a tray.
struct StationOptions
{
    QStringList ports;              // empty: every module found
    QString image;                  // --flash: the firmware; empty: no flash
    QString serialPattern;          // --sn, e.g. ORV{seq:06}
    QString serialMap;              // --sn-map: a CSV of unit ID and serial number
    std::optional<double> gyroBias; // --gyro-bias: seconds held still
    QString reportFolder;           // --report
    int jobs = 0;                   // --jobs: units at once; 0: all
};

struct Invocation
{
    Command command = Command::Help;
    QString argument; // the serial number to set, or the file to read or write
    QString port;     // empty: the single module discovered
    bool json = false;
    bool probe = false;
    double seconds = 0; // record: how long; gyro-bias: how long to hold still
    std::optional<IMUserial::DATARATE> rate;
    QString out; // record: the file; recover --export: the folder
    RecoverAction recoverAction = RecoverAction::List;
    bool write = false;                     // calibrate: store the fitted sets
    ChipChoice chips = ChipChoice::Both;    // calibrate acc
    int poses = 12;                         // calibrate acc: collect until this many
    QString from;                           // calibrate fit: the calibration-mode table
    bool raw = false;                       // record: the calibration-mode stream instead
    std::optional<double> samplesPerSecond; // analyze noise: instead of the time column's
    QString kalibr;                         // analyze noise: the IMU file to write
    StationOptions station;
};

struct ParsedArguments
{
    std::optional<Invocation> invocation;
    QString error; // why there is none, in one line
};

// The arguments after the program's name.
ParsedArguments parseArguments(const QStringList &arguments);

// Whether the command talks to the module over its serial port (the firmware
// commands talk to its bootloader instead).
bool needsModule(Command command);

QString helpText();

} // namespace cli
