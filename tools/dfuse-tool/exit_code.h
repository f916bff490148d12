// SPDX-License-Identifier: GPL-3.0-or-later
// How dfuse-tool ends; the window and scripts read these.
#pragma once

namespace dfu {

enum class ExitCode : int
{
    Ok = 0,
    Failed = 1, // the device or the file failed
    Usage = 2,  // the command line is wrong
    // Nothing was done: the image cannot be the module's application, or the
    // device --serial asks for is not there.
    ImageRefused = 3,
    DeviceAbsent = 3,
};

} // namespace dfu
