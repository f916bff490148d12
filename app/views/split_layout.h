// SPDX-License-Identifier: GPL-3.0-or-later
// How the received-data area is shared between the log, the chart and the
// parser-data panel, which sit side by side in one splitter in that order.
#pragma once

#include <array>

namespace views {

enum class LogChartSplit
{
    FullText,
    Half,
    FullChart,
};

enum class ParserPane
{
    Hidden,
    Shown,
    Full,
};

struct SplitState
{
    LogChartSplit split = LogChartSplit::Half;
    ParserPane pane = ParserPane::Hidden;
};

// Widths of the log, the chart and the panel for `total` pixels: a shown
// panel takes `panelWidth`, from the chart's side; the log is `logWidth`
// wide in the half split, and all or nothing in the other two; a full
// panel takes everything.
std::array<int, 3> paneWidths(const SplitState &state, int total, int panelWidth, int logWidth);

} // namespace views
