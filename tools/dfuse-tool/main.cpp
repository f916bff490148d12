// dfuse-tool: lists, flashes and restarts STM32 DFU bootloaders.
#include "commands.h"
#include "tool_options.h"

#include <iostream>

int main(int argc, char **argv)
{
    const auto parsed = dfu::parseToolOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "dfuse-tool: " << parsed.error << "\n" << dfu::toolUsage();
        return 2;
    }
    switch (parsed.options.action) {
    case dfu::ToolOptions::Action::List:
        return dfu::listDevices(std::cout);
    case dfu::ToolOptions::Action::Flash:
        return dfu::flashFile(parsed.options.file, std::cout, std::cerr);
    case dfu::ToolOptions::Action::Leave:
        return dfu::leaveToApplication(std::cout, std::cerr);
    case dfu::ToolOptions::Action::Version:
        std::cout << "dfuse-tool " << ORVIK_VERSION << "\n";
        return 0;
    case dfu::ToolOptions::Action::Help:
        break;
    }
    std::cout << dfu::toolUsage();
    return 0;
}
