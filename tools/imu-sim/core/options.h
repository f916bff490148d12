// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's command line.
#pragma once

#include "simulator.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imusim {

// How long the simulated DFU bootloader takes over flash operations.
enum class BootloaderTimingChoice
{
    Fast,   // a few milliseconds per operation
    Stm32f4 // the module's microcontroller: seconds per sector, tens of seconds an image
};

struct ProgramOptions
{
    SimulatorConfig simulator;
    std::string directory; // rendezvous directory; empty: the default one
    // The microcontroller's 96-bit unique ID as 24 upper-case hex digits: the
    // USB serial number of its serial port and of its DFU bootloader.
    std::string unitId;
    std::string sensorProfile;                   // file of the sensor profile; empty: none
    std::chrono::milliseconds bootloaderStay{0}; // 0: until an application is started
    BootloaderTimingChoice bootloaderTiming = BootloaderTimingChoice::Fast;
    // The bootloader hangs once when a client's image writes reach this many bytes.
    std::optional<std::uint64_t> bootloaderStallAt;
    bool help = false;
};

struct ParsedOptions
{
    std::optional<ProgramOptions> options;
    std::string error;
};

ParsedOptions parseOptions(const std::vector<std::string> &arguments);
std::string helpText();

// The unit ID a simulator started with `seed` and no --uid has.
std::string unitIdFromSeed(std::uint32_t seed);

// A command by its name in the options ("start-gyr-bias") or its type number.
std::optional<std::uint8_t> commandByName(const std::string &name);

} // namespace imusim
