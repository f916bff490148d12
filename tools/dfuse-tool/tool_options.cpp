// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_options.h"

#include "exit_code.h"

#include "application_check.h"
#include "memory_layout.h"
#include "text.h"

#include <algorithm>

namespace dfu {

std::string toolUsage()
{
    return "Usage: dfuse-tool [--device usb|sim] [--serial S] --list\n"
           "       dfuse-tool [--device usb|sim] [--serial S] --flash FILE.dfu [--force]\n"
           "       dfuse-tool [--device usb|sim] [--serial S] --leave\n"
           "       dfuse-tool --help | --version\n"
           "\n"
           "  --list        print one line per DFU device found, with its serial number\n"
           "                (exit 0 also when none), then \"Using LOCATION\" for the device\n"
           "                --flash and --leave take\n"
           "  --flash FILE  check FILE completely, then erase the pages it covers, write,\n"
           "                and read back; prints \"progress PHASE DONE TOTAL\" lines.\n"
           "                Exits " +
           std::to_string(static_cast<int>(ExitCode::ImageRefused)) +
           " without writing when the image cannot be the module's\n"
           "                application: not starting at " +
           hex32(kApplicationAddress) +
           ", not within flash, or\n"
           "                without a plausible vector table\n"
           "  --force       with --flash: flash such an image all the same (recovery)\n"
           "  --leave       start the application at " +
           hex32(kApplicationAddress) +
           "\n"
           "  --serial S    only the device whose USB serial number is S; exits " +
           std::to_string(static_cast<int>(ExitCode::DeviceAbsent)) +
           " when it is\n"
           "                not there, and no other device is touched\n"
           "  --device KIND usb: a USB device in DFU mode; sim: the simulated bootloader of\n"
           "                imu-sim (a socket dfu-*.sock in its rendezvous directory,\n"
           "                $IMU_SIM_DIR when set). Without the option: $" +
           kDeviceEnvironmentVariable +
           "\n"
           "                (usb or sim) when set, otherwise USB when a DFU device is\n"
           "                attached there, else the simulated bootloader.\n"
           "Every run prints \"Using ...\" naming the device it works on.\n";
}

std::optional<DeviceKind> deviceKindNamed(const std::string &name)
{
    if (name == "usb")
        return DeviceKind::Usb;
    if (name == "sim")
        return DeviceKind::Simulator;
    return std::nullopt;
}

namespace {

ParsedToolOptions parsedAction(ToolOptions::Action action, const std::string &file = {})
{
    ParsedToolOptions parsed;
    parsed.options.action = action;
    parsed.options.file = file;
    return parsed;
}

ParsedToolOptions parseAction(const std::vector<std::string> &arguments, std::size_t first)
{
    using Action = ToolOptions::Action;
    const std::size_t count = arguments.size() - first;
    if (count == 1) {
        const std::string &only = arguments[first];
        if (only == "--list")
            return parsedAction(Action::List);
        if (only == "--leave")
            return parsedAction(Action::Leave);
        if (only == "--help" || only == "-h")
            return parsedAction(Action::Help);
        if (only == "--version" || only == "-V")
            return parsedAction(Action::Version);
    }
    if (count == 2 && arguments[first] == "--flash" && !arguments[first + 1].empty())
        return parsedAction(Action::Flash, arguments[first + 1]);
    return {{}, "expected exactly one of --list, --flash FILE, --leave"};
}

ParsedToolOptions parseWithoutForce(const std::vector<std::string> &arguments)
{
    if (arguments.empty() || arguments[0] != "--device")
        return parseAction(arguments, 0);
    if (arguments.size() < 2)
        return {{}, "--device expects usb or sim"};
    const auto kind = deviceKindNamed(arguments[1]);
    if (!kind)
        return {{}, "--device expects usb or sim, got \"" + arguments[1] + "\""};
    ParsedToolOptions parsed = parseAction(arguments, 2);
    parsed.options.device = kind;
    return parsed;
}

// Takes `--serial S` out of `arguments`: S, nothing when absent, or an error.
ParsedToolOptions takeSerialNumber(std::vector<std::string> &arguments)
{
    ParsedToolOptions taken;
    const auto option = std::find(arguments.begin(), arguments.end(), "--serial");
    if (option == arguments.end())
        return taken;
    if (option + 1 == arguments.end() || (option + 1)->empty() || (option + 1)->front() == '-') {
        taken.error = "--serial expects a serial number";
        return taken;
    }
    taken.options.serialNumber = *(option + 1);
    arguments.erase(option, option + 2);
    return taken;
}

} // namespace

ParsedToolOptions parseToolOptions(std::vector<std::string> arguments)
{
    const ParsedToolOptions serial = takeSerialNumber(arguments);
    if (!serial.error.empty())
        return serial;
    const auto force = std::find(arguments.begin(), arguments.end(), "--force");
    const bool forced = force != arguments.end();
    if (forced)
        arguments.erase(force);
    ParsedToolOptions parsed = parseWithoutForce(arguments);
    if (forced && parsed.error.empty() && parsed.options.action != ToolOptions::Action::Flash)
        return {{}, "--force goes only with --flash"};
    parsed.options.force = forced;
    using Action = ToolOptions::Action;
    const bool onDevice = parsed.options.action == Action::List ||
                          parsed.options.action == Action::Flash ||
                          parsed.options.action == Action::Leave;
    if (!serial.options.serialNumber.empty() && parsed.error.empty() && !onDevice)
        return {{}, "--serial goes only with --list, --flash or --leave"};
    parsed.options.serialNumber = serial.options.serialNumber;
    return parsed;
}

DeviceRequest requestedDevice(std::optional<DeviceKind> option, const char *environmentValue)
{
    if (option || !environmentValue || !*environmentValue)
        return {option, {}};
    const auto kind = deviceKindNamed(environmentValue);
    if (!kind)
        return {std::nullopt, std::string(kDeviceEnvironmentVariable) +
                                  " must be usb or sim, not \"" + environmentValue + "\""};
    return {kind, {}};
}

} // namespace dfu
