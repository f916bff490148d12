// SPDX-License-Identifier: GPL-3.0-or-later
#include "pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace imusim {

namespace {

std::string systemError(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Raw 8N1 without echo or line processing, so that every byte passes as sent.
// Opening and closing the slave once also puts the master into its hang-up
// state, which tells the simulator that no host is attached yet.
bool makeRaw(const std::string &devicePath, std::string &error)
{
    const int slave = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        error = systemError("open slave");
        return false;
    }
    termios settings{};
    bool done = ::tcgetattr(slave, &settings) == 0;
    if (done) {
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B921600);
        done = ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    if (!done)
        error = systemError("configure terminal");
    ::close(slave);
    return done;
}

} // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::create(std::string &error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error = systemError("posix_openpt");
        return nullptr;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("pseudo-terminal slave");
        ::close(master);
        return nullptr;
    }
    if (!makeRaw(name, error)) {
        ::close(master);
        return nullptr;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, name));
}

PseudoTerminal::PseudoTerminal(int master, std::string devicePath)
    : master_(master), devicePath_(std::move(devicePath))
{
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(master_);
}

bool PseudoTerminal::hostAttached() const
{
    pollfd probe{master_, 0, 0};
    return ::poll(&probe, 1, 0) == 0 || (probe.revents & POLLHUP) == 0;
}

} // namespace imusim
