// SPDX-License-Identifier: GPL-3.0-or-later
// Motion time of the simulated body: it follows the module's uptime but stands
// still while the body is held at rest (during a gyroscope-bias calibration),
// so the motion resumes where it stopped.
#pragma once

#include <optional>

namespace imusim {

class MotionClock
{
public:
    double motionTime(double uptime) const;
    bool holding() const { return holdingSince_.has_value(); }
    void hold(double uptime);
    void release(double uptime);

private:
    double heldTotal_ = 0;
    std::optional<double> holdingSince_;
};

} // namespace imusim
