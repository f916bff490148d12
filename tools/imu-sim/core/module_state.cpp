// SPDX-License-Identifier: GPL-3.0-or-later
#include "module_state.h"

#include <neutral_calibration.h>

namespace imusim {

StoredState::StoredState()
    : imu1(IMUserial::neutralImuSet()), imu2(IMUserial::neutralImuSet()),
      mag(IMUserial::neutralMagSet())
{
}

} // namespace imusim
