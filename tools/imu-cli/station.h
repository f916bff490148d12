// SPDX-License-Identifier: GPL-3.0-or-later
// orvik-imu-cli station: a tray of modules set up in parallel, each unit
// through its own steps and known throughout by its unit ID, with a report per
// unit (see docs/station.md).
#pragma once

#include "outcome.h"
#include "runner.h"

namespace cli {

// Ok when every unit passed, Failed when one failed or was refused,
// NoDevice when no module was found, Usage for a wrong pattern, map or image.
Outcome runStation(const StationOptions &options, const Environment &environment);

} // namespace cli
