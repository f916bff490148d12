// SPDX-License-Identifier: GPL-3.0-or-later
// imu-sim: the IMU module simulated on a pseudo-terminal. See docs/simulator.md.
#include "core/options.h"
#include "core/sensor_profile.h"
#include "core/simulator.h"
#include "dfu_bootloader_stage.h"
#include "port_publication.h"
#include "pseudo_terminal.h"
#include "serial_session.h"
#include "stop_signal.h"

#include <rendezvous.h>

#include <cstdio>
#include <iostream>

namespace {

using namespace imusim;

enum class ExitCode : int
{
    Ok = 0,
    Failed = 1, // the simulator could not start or stopped on an error
    Usage = 2,  // the command line is wrong
};

ExitCode fail(const std::string &message)
{
    std::cerr << "imu-sim: " << message << std::endl;
    return ExitCode::Failed;
}

// One appearance of the module's serial port, from publishing to withdrawal.
bool serveApplication(Simulator &simulator, const ProgramOptions &options,
                      const std::string &directory, std::optional<TimePoint> vanishAt,
                      SessionEnd &end, std::string &error)
{
    const auto terminal = PseudoTerminal::create(error);
    if (!terminal)
        return false;
    PortPublication publication(directory, options.unitId);
    if (!publication.publish(terminal->devicePath(), error))
        return false;
    std::cout << terminal->devicePath() << std::endl;
    end = serveSession(simulator, *terminal, vanishAt);
    return true;
}

dfusim::BootloaderConfig bootloaderConfig(const ProgramOptions &options)
{
    dfusim::BootloaderConfig config;
    config.timing = options.bootloaderTiming == BootloaderTimingChoice::Stm32f4
                        ? dfusim::BootloaderTiming::stm32f4()
                        : dfusim::BootloaderTiming::fast();
    config.stallAtByte = options.bootloaderStallAt;
    config.serialNumber = options.unitId;
    return config;
}

// Everything after the options; the port file is withdrawn by the
// publication's destructor on every return and exception, and by its exit
// clean-up on std::exit() or std::terminate().
ExitCode run(const ProgramOptions &options)
{
    if (!installStopSignals())
        return fail("cannot install signal handlers");

    const std::string directory =
        options.directory.empty() ? imuproto::simulatorDirectory() : options.directory;
    const std::string folderProblem = imuproto::prepareRendezvousDirectory(directory);
    if (!folderProblem.empty())
        return fail(folderProblem + " (the rendezvous directory must be a directory of "
                                    "yours with mode 0700, not a symbolic link)");
    const TimePoint start = Clock::now();
    std::optional<TimePoint> vanishAt;
    if (options.simulator.faults.vanishAfter)
        vanishAt = start + *options.simulator.faults.vanishAfter;

    Simulator simulator(options.simulator, start);
    DfuBootloaderStage bootloader(directory, options.simulator.stored.version,
                                  options.bootloaderStay, bootloaderConfig(options));
    for (;;) {
        SessionEnd end = SessionEnd::Stopped;
        std::string error;
        if (!serveApplication(simulator, options, directory, vanishAt, end, error))
            return fail(error);
        if (end != SessionEnd::JumpedToBootloader)
            break;
        std::cerr << "imu-sim: in the DFU bootloader" << std::endl;
        const auto flashedVersion = bootloader.run(directory, stopRequested());
        if (stopRequested())
            break;
        simulator.returnFromBootloader(Clock::now(), flashedVersion);
    }
    const SimulatorStats &stats = simulator.stats();
    std::cerr << "imu-sim: " << stats.commands << " commands, " << stats.samplesSent
              << " samples sent, " << stats.samplesSkipped << " skipped, "
              << bootloader.bytesProgrammed() << " image bytes written" << std::endl;
    return ExitCode::Ok;
}

// The options with the sensor profile they name read in; nullopt when either
// is refused, told on standard error.
std::optional<ProgramOptions> programOptions(const std::vector<std::string> &arguments)
{
    ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.options) {
        std::cerr << "imu-sim: " << parsed.error << "\n(see imu-sim --help)" << std::endl;
        return std::nullopt;
    }
    if (parsed.options->help || parsed.options->sensorProfile.empty())
        return parsed.options;
    const ProfileReading profile = loadSensorProfile(parsed.options->sensorProfile);
    if (!profile.profile) {
        std::cerr << "imu-sim: " << profile.error << std::endl;
        return std::nullopt;
    }
    parsed.options->simulator.module.profile = *profile.profile;
    return parsed.options;
}

} // namespace

int main(int argc, char **argv)
{
    const auto options = programOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options)
        return static_cast<int>(ExitCode::Usage);
    if (options->help) {
        std::cout << helpText();
        return static_cast<int>(ExitCode::Ok);
    }
    // Caught here so that the stack unwinds and what was published is withdrawn.
    try {
        return static_cast<int>(run(*options));
    } catch (const std::exception &error) {
        return static_cast<int>(fail(std::string("unexpected error: ") + error.what()));
    } catch (...) {
        return static_cast<int>(fail("unexpected error"));
    }
}
