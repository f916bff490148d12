// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings a program left unsaved (see operations/recording/recovery.h),
// listed, exported as CSV or discarded without the window.
#pragma once

#include "outcome.h"

namespace cli {

// Under the system's temporary folder: `invocation.recoverAction` on every
// unsaved recording found.
Outcome recover(const Invocation &invocation);

} // namespace cli
