// SPDX-License-Identifier: GPL-3.0-or-later
// The period the read-outs and the chart follow the module at, and their
// two timers started in step.
#pragma once

class QTimer;

namespace live {

// About 60 times a second, whatever the data rate.
constexpr int kDisplayTickMs = 16;

// The window's display ticks: the read-outs' and the chart's refresh.
struct DisplayTicks
{
    QTimer &readouts;
    QTimer &chart;

    // Starts `timer`, one of the two, with the other one restarted beside it
    // when it runs: started in the same instant they fire in the same pass of
    // the event loop, and the window paints and hands the display server one
    // frame per tick instead of two.
    void start(QTimer &timer) const;
};

} // namespace live
