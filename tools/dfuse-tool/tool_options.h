// SPDX-License-Identifier: GPL-3.0-or-later
// Command line of dfuse-tool.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dfu {

// Where --flash and --leave look: a USB device in DFU mode, or the module
// simulator's bootloader on its local socket.
enum class DeviceKind
{
    Usb,
    Simulator
};

// The environment variable that picks the device kind like --device does;
// the option wins when both are given.
constexpr const char *kDeviceEnvironmentVariable = "DFUSE_TOOL_DEVICE";

// "usb" or "sim"; nothing for any other text.
std::optional<DeviceKind> deviceKindNamed(const std::string &name);

struct ToolOptions
{
    enum class Action
    {
        List,
        Flash,
        Leave,
        Help,
        Version
    };
    Action action = Action::Help;
    std::string file;                 // for Flash
    bool force = false;               // Flash: also an image that fails the application checks
    std::optional<DeviceKind> device; // from --device; nothing when not given
    std::string serialNumber;         // from --serial; empty: any device
};

struct ParsedToolOptions
{
    ToolOptions options;
    std::string error; // empty when the command line was understood
};

// `arguments` without the program name.
ParsedToolOptions parseToolOptions(std::vector<std::string> arguments);

struct DeviceRequest
{
    std::optional<DeviceKind>
        kind;          // nothing: USB when a DFU device is attached, else the simulator
    std::string error; // empty unless the environment names no known kind
};

// The device kind asked for by --device, else by `environmentValue` (the
// variable's value, null when unset or empty).
DeviceRequest requestedDevice(std::optional<DeviceKind> option, const char *environmentValue);

// The --help text, also shown after a command-line error.
std::string toolUsage();

} // namespace dfu
