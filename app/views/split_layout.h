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
// panel takes a third and the log and chart share the rest as `split` says;
// a full panel takes everything.
std::array<int, 3> paneWidths(const SplitState &state, int total);

} // namespace views
