// SPDX-License-Identifier: GPL-3.0-or-later
// The X display the benchmark's window is shown on: the one in $DISPLAY, or
// a virtual framebuffer server of its own, started and ended here.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

class XDisplay
{
public:
    XDisplay() = default;
    XDisplay(const XDisplay &) = delete;
    XDisplay &operator=(const XDisplay &) = delete;
    ~XDisplay();

    // Uses $DISPLAY when set; otherwise starts Xvfb on a free display number
    // with a screen of `width` x `height` and waits (at most `limitMs`) until
    // it accepts clients. On failure returns false and says why in `error`.
    bool open(int width, int height, int limitMs, std::string &error);

    const std::string &name() const { return name_; }
    // The server's process, when it is known (our own, or a local server
    // whose lock file names it).
    std::optional<pid_t> serverPid() const { return serverPid_; }
    bool ownServer() const { return ownServer_; }

private:
    bool startServer(int width, int height, int limitMs, std::string &error);

    std::string name_;
    std::optional<pid_t> serverPid_;
    bool ownServer_ = false;
};
