// SPDX-License-Identifier: GPL-3.0-or-later
// Clean-up that must also happen when the process ends by a way that skips
// destructors: std::exit() from anywhere, or std::terminate() after an
// exception nobody caught (also on another thread).
#pragma once

#include <functional>

namespace imusim {

class ExitCleanup
{
public:
    // `action` runs at most once: on such an ending while this object lives.
    explicit ExitCleanup(std::function<void()> action);
    ~ExitCleanup();
    ExitCleanup(const ExitCleanup &) = delete;
    ExitCleanup &operator=(const ExitCleanup &) = delete;
};

} // namespace imusim
