// SPDX-License-Identifier: GPL-3.0-or-later
// Command line of dfu-convert.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dfu {

struct ConvertOptions
{
    enum class Mode
    {
        RawBinary,
        IntelHex,
        Help,
        Version
    };
    Mode mode = Mode::Help;
    std::uint32_t address = 0; // load address of a raw binary
    std::string input;
    std::string output;
};

struct ParsedConvertOptions
{
    ConvertOptions options;
    std::string error; // empty when the command line was understood
};

// `arguments` without the program name.
ParsedConvertOptions parseConvertOptions(const std::vector<std::string> &arguments);

// The --help text, also shown after a command-line error.
std::string convertUsage();

} // namespace dfu
