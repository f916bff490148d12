// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

namespace imusim {

namespace {

using namespace imuproto;

const std::map<std::string, std::uint8_t> kCommandNames{
    {"version", CMD_GET_VERSION},
    {"get-sn", CMD_GET_SN},
    {"set-sn", CMD_SET_SN},
    {"start", CMD_START_STREAM},
    {"stop", CMD_STOP_STREAM},
    {"rate", CMD_SET_RATE},
    {"enter-calibration", CMD_ENTER_CALIBRATION},
    {"exit-calibration", CMD_EXIT_CALIBRATION},
    {"start-gyr-bias", CMD_START_GYR_BIAS},
    {"stop-gyr-bias", CMD_STOP_GYR_BIAS},
    {"record-quat-offset", CMD_RECORD_QUAT_OFFSET},
    {"reset-quat-offset", CMD_RESET_QUAT_OFFSET},
    {"read-calibration", CMD_READ_CALIBRATION},
    {"write-calibration", CMD_WRITE_CALIBRATION},
    {"jump-dfu", CMD_JUMP_DFU},
};

// `text` in upper case when it is hexadecimal digits only, else empty.
std::string upperCaseHex(std::string text)
{
    for (char &c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

const std::map<std::string, BootloaderTimingChoice> kBootloaderTimings{
    {"fast", BootloaderTimingChoice::Fast},
    {"stm32f4", BootloaderTimingChoice::Stm32f4},
};

const std::map<std::string, Motion> kMotions{
    {"default", Motion::Sway}, {"still", Motion::Still}, {"tumble", Motion::Tumble},
    {"poses", Motion::Poses},  {"yaw", Motion::Yaw},
};

constexpr double kMaxRate = 100000.0;
// Far beyond any flash of the module, small enough to be exact in a double.
constexpr double kMaxByteCount = 4294967296.0;

std::optional<double> number(const std::string &text, double low, double high)
{
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (used != text.size() || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> wholeNumber(const std::string &text)
{
    const auto value = number(text, 0, kMaxByteCount);
    return value && std::floor(*value) == *value ? value : std::nullopt;
}

std::chrono::milliseconds milliseconds(double seconds)
{
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::llround(seconds * 1000.0)));
}

std::optional<VersionBytes> versionFrom(const std::string &text)
{
    VersionBytes version{};
    std::istringstream in(text);
    for (std::size_t i = 0; i < version.size(); ++i) {
        unsigned value = 256;
        char dot = '.';
        if ((i > 0 && !(in >> dot)) || dot != '.' || !(in >> value) || value > 255)
            return std::nullopt;
        version[i] = static_cast<std::uint8_t>(value);
    }
    return in.peek() == std::char_traits<char>::eof() ? std::optional(version) : std::nullopt;
}

// Each handler stores its value and returns an error text, empty when fine.
using Handler = std::function<std::string(const std::string &, ProgramOptions &)>;

std::string valueHandler(const std::string &value, std::optional<double> parsed,
                         const std::function<void(double)> &store)
{
    if (!parsed)
        return "invalid value '" + value + "'";
    store(*parsed);
    return {};
}

std::string addCommand(const std::string &value, std::set<std::uint8_t> &commands)
{
    const auto command = commandByName(value);
    if (!command)
        return "unknown command '" + value + "'";
    commands.insert(*command);
    return {};
}

// A read's answer is its data: there is no success to pretend without it.
bool answersWithData(std::uint8_t command)
{
    return command == CMD_GET_VERSION || command == CMD_GET_SN || command == CMD_READ_CALIBRATION;
}

std::string addPretendedCommand(const std::string &value, std::set<std::uint8_t> &commands)
{
    const auto command = commandByName(value);
    if (command && answersWithData(*command))
        return "'" + value +
               "' answers with data; only a command that changes state can be pretended";
    return addCommand(value, commands);
}

const std::map<std::string, Handler> &valueOptions()
{
    static const std::map<std::string, Handler> handlers{
        {"--dir",
         [](const std::string &v, ProgramOptions &o) {
             o.directory = v;
             return v.empty() ? std::string("empty directory") : std::string();
         }},
        {"--uid",
         [](const std::string &v, ProgramOptions &o) {
             o.unitId = upperCaseHex(v);
             return o.unitId.size() == 24 ? std::string() : "24 hexadecimal digits wanted";
         }},
        {"--seed",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 4294967295.0), [&](double n) {
                 o.simulator.module.seed = static_cast<std::uint32_t>(n);
             });
         }},
        {"--rate",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0.1, kMaxRate),
                                 [&](double n) { o.simulator.module.fixedRate = n; });
         }},
        {"--firmware-version",
         [](const std::string &v, ProgramOptions &o) {
             const auto version = versionFrom(v);
             if (version)
                 o.simulator.stored.version = *version;
             return version ? std::string() : "invalid version '" + v + "'";
         }},
        {"--serial-number",
         [](const std::string &v, ProgramOptions &o) {
             o.simulator.stored.serialNumber = v;
             return v.empty() || v.size() > IMUserial::SN_SIZE ? "serial number of 1 to 32 bytes"
                                                               : std::string();
         }},
        {"--corrupt",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 1),
                                 [&](double p) { o.simulator.faults.corruptRate = p; });
         }},
        {"--drop",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 1),
                                 [&](double p) { o.simulator.faults.dropRate = p; });
         }},
        {"--skip-samples",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 1),
                                 [&](double p) { o.simulator.faults.skipRate = p; });
         }},
        {"--reply-delay",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 60000), [&](double ms) {
                 o.simulator.faults.replyDelay = std::chrono::milliseconds(std::llround(ms));
             });
         }},
        {"--withhold-reply",
         [](const std::string &v, ProgramOptions &o) {
             if (v == "all") {
                 o.simulator.faults.withholdAllReplies = true;
                 return std::string();
             }
             return addCommand(v, o.simulator.faults.withheldReplies);
         }},
        {"--fail",
         [](const std::string &v, ProgramOptions &o) {
             return addCommand(v, o.simulator.faults.failedCommands);
         }},
        {"--pretend",
         [](const std::string &v, ProgramOptions &o) {
             return addPretendedCommand(v, o.simulator.faults.pretendedCommands);
         }},
        {"--vanish-after",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 1e6), [&](double s) {
                 o.simulator.faults.vanishAfter = milliseconds(s);
             });
         }},
        {"--motion",
         [](const std::string &v, ProgramOptions &o) {
             const auto motion = kMotions.find(v);
             if (motion == kMotions.end())
                 return "unknown motion '" + v + "' (default, still, tumble, poses or yaw)";
             o.simulator.module.motion = motion->second;
             return std::string();
         }},
        {"--sensor-profile",
         [](const std::string &v, ProgramOptions &o) {
             o.sensorProfile = v;
             return v.empty() ? std::string("empty file name") : std::string();
         }},
        {"--bootloader-timing",
         [](const std::string &v, ProgramOptions &o) {
             const auto choice = kBootloaderTimings.find(v);
             if (choice == kBootloaderTimings.end())
                 return "unknown timing '" + v + "' (fast or stm32f4)";
             o.bootloaderTiming = choice->second;
             return std::string();
         }},
        {"--bootloader-stall-at",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, wholeNumber(v), [&](double bytes) {
                 o.bootloaderStallAt = static_cast<std::uint64_t>(bytes);
             });
         }},
        {"--bootloader-time",
         [](const std::string &v, ProgramOptions &o) {
             return valueHandler(v, number(v, 0, 3600),
                                 [&](double s) { o.bootloaderStay = milliseconds(s); });
         }},
    };
    return handlers;
}

} // namespace

std::string unitIdFromSeed(std::uint32_t seed)
{
    // splitmix64, so that neighbouring seeds give unrelated IDs.
    std::uint64_t state = seed;
    const auto next = [&state] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    char text[25];
    std::snprintf(text, sizeof text, "%016llX%08llX", static_cast<unsigned long long>(next()),
                  static_cast<unsigned long long>(next() >> 32));
    return text;
}

std::optional<std::uint8_t> commandByName(const std::string &name)
{
    const auto named = kCommandNames.find(name);
    if (named != kCommandNames.end())
        return named->second;
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(name, &used, 0); // decimal, or hexadecimal with 0x
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (used != name.size() || value > 0xFF || !isCommand(static_cast<std::uint8_t>(value)))
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

ParsedOptions parseOptions(const std::vector<std::string> &arguments)
{
    ProgramOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--still") {
            options.simulator.module.motion = Motion::Still;
            continue;
        }
        const auto handler = valueOptions().find(argument);
        if (handler == valueOptions().end())
            return {std::nullopt, "unknown option '" + argument + "'"};
        if (i + 1 == arguments.size())
            return {std::nullopt, argument + " needs a value"};
        const std::string error = handler->second(arguments[++i], options);
        if (!error.empty())
            return {std::nullopt, argument + ": " + error};
    }
    if (options.unitId.empty())
        options.unitId = unitIdFromSeed(options.simulator.module.seed);
    return {options, {}};
}

std::string helpText()
{
    return R"(Usage: imu-sim [options]

Simulates the IMU module on a pseudo-terminal. Prints the terminal's path on
standard output and publishes it with the unit ID in the file 'port-PID' of
the rendezvous directory, where the device library finds it; several
simulators may share the directory, as several modules on a USB hub. Ends on
SIGINT or SIGTERM and removes what it published.

Options:
  --dir DIR               rendezvous directory (default: $IMU_SIM_DIR, else
                          $XDG_RUNTIME_DIR/orvik-imu-sim, else /tmp/orvik-imu-sim-UID)
  --seed N                seed of the sensor noise and of injected faults (default 1)
  --uid HEX24             the unit ID, 24 hex digits: the USB serial number of the
                          serial port and of the DFU bootloader (default: from --seed)
  --rate HZ               stream at HZ samples per second whatever rate code the
                          host sets (up to 100000; stress testing)
  --motion MODE           how the body moves: 'default' (sways, turns slowly in yaw,
                          wobbles a little), 'still', 'tumble' (turns through every
                          attitude about once a minute, below 51 deg/s), 'poses'
                          (twelve attitudes, each held still 3 s, 2 s turns between
                          them, a minute a cycle) or 'yaw' (level, 10 deg/s about
                          the vertical)
  --still                 the same as --motion still
  --sensor-profile FILE   the sensors' errors and noise from a JSON file: the Earth's
                          field, the magnetometer's hard and soft iron and noise, each
                          chip's biases, matrices, noise densities and bias walks
                          (see docs/simulator.md); what it leaves out keeps the
                          built-in values
  --firmware-version X.Y.Z  version bytes the module reports (default 1.4.2)
  --serial-number TEXT    serial number at start (default ORV000001)
  --bootloader-time S     leave the DFU bootloader by itself after S seconds (default:
                          stay until dfuse-tool starts an application)
  --bootloader-timing T   how long the DFU bootloader takes: 'fast' (default, a few
                          milliseconds per operation) or 'stm32f4' (the module's
                          microcontroller over USB: about 1 s per 128 KiB sector,
                          40 s or more for a 896 KiB image)

Faults:
  --corrupt P             flip one bit in each sent byte with probability P
  --drop P                leave out each sent byte with probability P
  --skip-samples P        count each due sample but leave it out with probability P,
                          as a module that could not send it (a gap in its counter)
  --reply-delay MS        send every reply MS milliseconds late
  --withhold-reply CMD    execute CMD but never answer it; 'all' for every command
  --fail CMD              answer CMD with a failure without executing it
  --pretend CMD           answer CMD with success without executing it, as a module
                          that accepts a write but stores nothing (not for the reads
                          version, get-sn and read-calibration)
  --vanish-after S        after S seconds close the terminal, withdraw it and exit
  --bootloader-stall-at BYTES  once in this run, the DFU bootloader stops answering
                          the client whose image writes reach BYTES bytes, until that
                          client goes away; the next client is served normally

CMD is a command name or its type number (e.g. 0x22):
  version get-sn set-sn start stop rate enter-calibration exit-calibration
  start-gyr-bias stop-gyr-bias record-quat-offset reset-quat-offset
  read-calibration write-calibration jump-dfu
--withhold-reply, --fail and --pretend may be given several times.
)";
}

} // namespace imusim
