// SPDX-License-Identifier: GPL-3.0-or-later
// SIGINT, SIGTERM and SIGHUP as a flag for code that checks it and as a descriptor
// that poll() can wait on.
#pragma once

#include <atomic>

namespace imusim {

// Installs the handlers of the stop signals and ignores SIGPIPE; returns false
// when that failed.
bool installStopSignals();
const std::atomic<bool> &stopRequested();
// Readable once a stop signal arrived.
int stopSignalDescriptor();

} // namespace imusim
