// SPDX-License-Identifier: GPL-3.0-or-later
// The serial end of the simulator: the master side of a pseudo-terminal whose
// slave device the host opens like a serial port.
#pragma once

#include <memory>
#include <string>

namespace imusim {

class PseudoTerminal
{
public:
    // A new terminal in raw mode; nullptr and `error` set on failure.
    static std::unique_ptr<PseudoTerminal> create(std::string &error);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    int fd() const { return master_; }
    const std::string &devicePath() const { return devicePath_; }

    // True while some process holds the slave device open.
    bool hostAttached() const;

private:
    PseudoTerminal(int master, std::string devicePath);

    int master_;
    std::string devicePath_;
};

} // namespace imusim
