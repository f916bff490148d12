// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulated module does between the jump to its DFU bootloader and
// its return to the application. The serial port is already withdrawn when
// run() is called; the simulated bootloader serves its own socket in the
// rendezvous directory and returns once it starts an application again.
#pragma once

#include "module_state.h"

#include <atomic>
#include <optional>
#include <string>

namespace imusim {

class BootloaderStage
{
public:
    virtual ~BootloaderStage() = default;

    // Returns the version bytes carried by the image it started, or nullopt
    // when the image carries none or `stop` ended the stage (the module then
    // keeps its previous version). `directory` is the rendezvous directory.
    virtual std::optional<VersionBytes> run(const std::string &directory,
                                            const std::atomic<bool> &stop) = 0;
};

} // namespace imusim
