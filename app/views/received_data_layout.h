// SPDX-License-Identifier: GPL-3.0-or-later
// The received-data area fitted to the window at any size: the chart's
// controls flow onto as many rows as its pane needs, so none is ever cut;
// the angle read-outs are as wide as an angle; and the log's pane is never
// narrower than a whole line of the chosen template, time stamp and the
// line numbers of a full log included.
#pragma once

#include "stream/display_modes.h"

class QFont;
class Ui_MainWindow;

namespace views {

// Rearranges the form's chart controls and keeps the log's minimum width
// following the template and the time stamp choice. Once, after setupUi.
void fitReceivedData(Ui_MainWindow &ui);

// The width in pixels of the widest line the log shows in `mode`, in `font`.
int widestLogLine(stream::DisplayMode mode, bool timeStamped, const QFont &font);

} // namespace views
