#include "tool_options.h"

#include "memory_layout.h"
#include "text.h"

namespace dfu {

std::string toolUsage()
{
    return "Usage: dfuse-tool --list\n"
           "       dfuse-tool --flash FILE.dfu\n"
           "       dfuse-tool --leave\n"
           "       dfuse-tool --help | --version\n"
           "\n"
           "  --list        print one line per DFU device found (exit 0 also when none)\n"
           "  --flash FILE  check FILE completely, then erase the pages it covers, write,\n"
           "                and read back\n"
           "  --leave       start the application at " +
           hex32(kApplicationAddress) +
           "\n"
           "Devices: the simulated bootloader of imu-sim (socket dfu.sock in its rendezvous\n"
           "directory, $IMU_SIM_DIR when set), then USB devices in DFU mode.\n";
}

ParsedToolOptions parseToolOptions(const std::vector<std::string> &arguments)
{
    using Action = ToolOptions::Action;
    if (arguments.size() == 1) {
        const std::string &only = arguments[0];
        if (only == "--list")
            return {{Action::List, {}}, {}};
        if (only == "--leave")
            return {{Action::Leave, {}}, {}};
        if (only == "--help" || only == "-h")
            return {{Action::Help, {}}, {}};
        if (only == "--version" || only == "-V")
            return {{Action::Version, {}}, {}};
    }
    if (arguments.size() == 2 && arguments[0] == "--flash" && !arguments[1].empty())
        return {{Action::Flash, arguments[1]}, {}};
    return {{}, "expected exactly one of --list, --flash FILE, --leave"};
}

} // namespace dfu
