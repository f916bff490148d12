// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace updater {

// How the updater program ends.
enum class ExitCode : int
{
    Ok = 0,     // up to date, update handed over, or closed by the user
    Failed = 1, // the check or the update failed
    Usage = 2,  // the command line is not the expected one
};

} // namespace updater
