// SPDX-License-Identifier: GPL-3.0-or-later
// The module's DFU bootloader: the simulated STM32 bootloader served on the
// rendezvous directory's socket, from the jump until dfuse-tool starts an
// application again.
#pragma once

#include "core/bootloader_stage.h"

#include <simulated_bootloader.h>

#include <chrono>
#include <memory>

namespace imusim {

class DfuBootloaderStage : public BootloaderStage
{
public:
    // The flash starts out holding an application that reports `version`, so
    // that leaving without flashing restarts the present firmware. With a
    // non-zero `autoLeave` the bootloader also gives up after that long and
    // restarts the application unchanged. `config` sets the timing and faults.
    DfuBootloaderStage(const std::string &directory, VersionBytes version,
                       std::chrono::milliseconds autoLeave,
                       const dfusim::BootloaderConfig &config = {});

    std::optional<VersionBytes> run(const std::string &directory,
                                    const std::atomic<bool> &stop) override;

    // Image bytes written into flash over every stay in the bootloader.
    std::uint64_t bytesProgrammed() const { return bootloader_->stats().bytesProgrammed; }

private:
    std::string socketPath_;
    std::unique_ptr<dfusim::SimulatedBootloader> bootloader_;
    std::chrono::milliseconds autoLeave_;
};

} // namespace imusim
