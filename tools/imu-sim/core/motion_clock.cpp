// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion_clock.h"

namespace imusim {

double MotionClock::motionTime(double uptime) const
{
    const double heldNow = holdingSince_ ? uptime - *holdingSince_ : 0.0;
    return uptime - heldTotal_ - heldNow;
}

void MotionClock::hold(double uptime)
{
    if (!holdingSince_)
        holdingSince_ = uptime;
}

void MotionClock::release(double uptime)
{
    if (!holdingSince_)
        return;
    heldTotal_ += uptime - *holdingSince_;
    holdingSince_.reset();
}

} // namespace imusim
