// The simulator's command line.
#pragma once

#include "simulator.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imusim {

struct ProgramOptions
{
    SimulatorConfig simulator;
    std::string directory;                       // rendezvous directory; empty: the default one
    std::chrono::milliseconds bootloaderStay{0}; // 0: until an application is started
    bool help = false;
};

struct ParsedOptions
{
    std::optional<ProgramOptions> options;
    std::string error;
};

ParsedOptions parseOptions(const std::vector<std::string> &arguments);
std::string helpText();

// A command by its name in the options ("start-gyr-bias") or its type number.
std::optional<std::uint8_t> commandByName(const std::string &name);

} // namespace imusim
