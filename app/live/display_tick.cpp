// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_tick.h"

#include <QTimer>

namespace live {

void DisplayTicks::start(QTimer &timer) const
{
    timer.start(kDisplayTickMs);
    for (QTimer *tick : {&readouts, &chart})
        if (tick->isActive())
            tick->start(kDisplayTickMs);
}

} // namespace live
