// Command line of dfuse-tool.
#pragma once

#include <string>
#include <vector>

namespace dfu {

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
    std::string file; // for Flash
};

struct ParsedToolOptions
{
    ToolOptions options;
    std::string error; // empty when the command line was understood
};

// `arguments` without the program name.
ParsedToolOptions parseToolOptions(const std::vector<std::string> &arguments);

// The --help text, also shown after a command-line error.
std::string toolUsage();

} // namespace dfu
