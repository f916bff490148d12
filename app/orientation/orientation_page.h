// SPDX-License-Identifier: GPL-3.0-or-later
// The graph view's second page: the module's attitude in 3D, which follows
// the shown sample (live or replayed) on the read-outs' refresh while it is shown; the View menu
// switches between it and the chart.
#pragma once

class QTimer;
class Ui_MainWindow;

namespace live {
class ShownSample;
}

namespace orientation {

void addOrientationPage(Ui_MainWindow &ui, const live::ShownSample &shown, QTimer &displayTick);

} // namespace orientation
