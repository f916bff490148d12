// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool.h"

#include "commands.h"
#include "tool_options.h"

#ifdef ORVIK_DFU_WITH_SIMULATOR
#include "sim_transport.h"
#endif

#include <cstdlib>
#include <ostream>

namespace dfu {

namespace {

std::unique_ptr<DeviceBackend> simulatorBackend()
{
#ifdef ORVIK_DFU_WITH_SIMULATOR
    return makeSimulatorBackend();
#else
    return nullptr;
#endif
}

ExitCode usageError(const std::string &message, std::ostream &err)
{
    err << "dfuse-tool: " << message << "\n" << toolUsage();
    return ExitCode::Usage;
}

ExitCode runCommandLine(const std::vector<std::string> &arguments,
                        std::unique_ptr<DeviceBackend> usb, std::ostream &out, std::ostream &err)
{
    const auto parsed = parseToolOptions(arguments);
    if (!parsed.error.empty())
        return usageError(parsed.error, err);
    const ToolOptions &options = parsed.options;
    using Action = ToolOptions::Action;
    if (options.action == Action::Help) {
        out << toolUsage();
        return ExitCode::Ok;
    }
    if (options.action == Action::Version) {
        out << "dfuse-tool " << ORVIK_VERSION << "\n";
        return ExitCode::Ok;
    }
    const DeviceRequest request =
        requestedDevice(options.device, std::getenv(kDeviceEnvironmentVariable));
    if (!request.error.empty())
        return usageError(request.error, err);
    DeviceFinder finder(std::move(usb), simulatorBackend(), request.kind, options.serialNumber);
    switch (options.action) {
    case Action::List:
        return listDevices(finder, out);
    case Action::Flash:
        return flashFile(finder, {options.file, options.force}, out, err);
    default:
        return leaveToApplication(finder, out, err);
    }
}

} // namespace

int runDfuseTool(const std::vector<std::string> &arguments, std::unique_ptr<DeviceBackend> usb,
                 std::ostream &out, std::ostream &err)
{
    return static_cast<int>(runCommandLine(arguments, std::move(usb), out, err));
}

} // namespace dfu
