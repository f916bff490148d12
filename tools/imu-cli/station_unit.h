// SPDX-License-Identifier: GPL-3.0-or-later
// One unit's run through the station's steps, each after the one before:
// identify, flash (through the bootloader with this unit's ID only), store
// the serial number, measure the gyroscope bias, identify again. The first
// step that fails ends the unit's run; the other units are not affected.
#pragma once

#include "invocation.h"
#include "runner.h"
#include "station_plan.h"
#include "station_report.h"

#include <functional>

namespace cli {

struct UnitJob
{
    StationUnit unit;
    StationOptions options;
    ImageIdentity image;
    // Where the unit's serial port is looked for again after the bootloader.
    std::function<QList<FoundModule>()> discoverModules;
    // The unit's progress: the line to show, and whether a step begins.
    std::function<void(const QString &state, bool stepBegins)> show;
    // interruptionsSoFar() when the station began: a step does not begin
    // once the operator asked the station to stop (a flash under way ends first).
    unsigned interruptionsAtStart = 0;
};

// Blocks the calling thread, which needs no event loop of its own running
// (the waits run one); safe on any thread, one unit per thread.
UnitRecord runUnit(const UnitJob &job);

} // namespace cli
