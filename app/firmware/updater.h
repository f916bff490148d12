// SPDX-License-Identifier: GPL-3.0-or-later
// The updater, started beside the window to check for a newer version.
#pragma once

#include "prompts/prompter.h"

namespace firmware {

// Starts the updater for this process; with `displayStartWindow` it shows
// its window from the start. Logs when it could not be started.
void startUpdater(bool displayStartWindow, const prompts::Prompter &prompter);

} // namespace firmware
