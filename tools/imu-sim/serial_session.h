// SPDX-License-Identifier: GPL-3.0-or-later
// Serves the simulated module on one pseudo-terminal until the module leaves
// it: by a stop signal, by the vanish fault, or by the jump to the bootloader.
#pragma once

#include "core/simulator.h"
#include "pseudo_terminal.h"

#include <optional>

namespace imusim {

enum class SessionEnd
{
    Stopped,
    Vanished,
    JumpedToBootloader
};

SessionEnd serveSession(Simulator &simulator, const PseudoTerminal &terminal,
                        std::optional<TimePoint> vanishAt);

} // namespace imusim
