// SPDX-License-Identifier: GPL-3.0-or-later
// Publishes the simulator's serial device in the rendezvous directory, where
// the device library and the tools look for it, and withdraws it again.
#pragma once

#include "exit_cleanup.h"

#include <memory>
#include <string>

namespace imusim {

class PortPublication
{
public:
    // `directory` must have passed imuproto::prepareRendezvousDirectory();
    // `unitId` is the serial number the module's USB port reports.
    PortPublication(std::string directory, std::string unitId);
    ~PortPublication() { withdraw(); }
    PortPublication(const PortPublication &) = delete;
    PortPublication &operator=(const PortPublication &) = delete;

    // Writes the port file under a name of its own, never through a symbolic
    // link, and renames it into place, so a reader never sees half a file.
    bool publish(const std::string &devicePath, std::string &error);
    // Removes the port file if it still names this process's device.
    void withdraw();

    std::string portFile() const;

private:
    std::string directory_;
    std::string unitId_;
    std::string published_; // the content of the file, empty when none
    std::unique_ptr<ExitCleanup> withdrawOnExit_;
};

} // namespace imusim
