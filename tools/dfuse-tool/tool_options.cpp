#include "tool_options.h"

#include "exit_code.h"

#include "application_check.h"
#include "memory_layout.h"
#include "text.h"

#include <algorithm>

namespace dfu {

std::string toolUsage()
{
    return "Usage: dfuse-tool [--device usb|sim] --list\n"
           "       dfuse-tool [--device usb|sim] --flash FILE.dfu [--force]\n"
           "       dfuse-tool [--device usb|sim] --leave\n"
           "       dfuse-tool --help | --version\n"
           "\n"
           "  --list        print one line per DFU device found (exit 0 also when none),\n"
           "                then \"Using LOCATION\" for the device --flash and --leave take\n"
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
           "  --device KIND usb: a USB device in DFU mode; sim: the simulated bootloader of\n"
           "                imu-sim (socket dfu.sock in its rendezvous directory,\n"
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

ParsedToolOptions parseAction(const std::vector<std::string> &arguments, std::size_t first)
{
    using Action = ToolOptions::Action;
    const std::size_t count = arguments.size() - first;
    if (count == 1) {
        const std::string &only = arguments[first];
        if (only == "--list")
            return {{Action::List, {}, false, {}}, {}};
        if (only == "--leave")
            return {{Action::Leave, {}, false, {}}, {}};
        if (only == "--help" || only == "-h")
            return {{Action::Help, {}, false, {}}, {}};
        if (only == "--version" || only == "-V")
            return {{Action::Version, {}, false, {}}, {}};
    }
    if (count == 2 && arguments[first] == "--flash" && !arguments[first + 1].empty())
        return {{Action::Flash, arguments[first + 1], false, {}}, {}};
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

} // namespace

ParsedToolOptions parseToolOptions(std::vector<std::string> arguments)
{
    const auto force = std::find(arguments.begin(), arguments.end(), "--force");
    const bool forced = force != arguments.end();
    if (forced)
        arguments.erase(force);
    ParsedToolOptions parsed = parseWithoutForce(arguments);
    if (forced && parsed.error.empty() && parsed.options.action != ToolOptions::Action::Flash)
        return {{}, "--force goes only with --flash"};
    parsed.options.force = forced;
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
