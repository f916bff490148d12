// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/split_layout.h"

#include <algorithm>

namespace views {

std::array<int, 3> paneWidths(const SplitState &state, int total, int panelWidth, int logWidth)
{
    switch (state.pane) {
    case ParserPane::Full:
        return {0, 0, total};
    case ParserPane::Shown:
    case ParserPane::Hidden:
        break;
    }
    const int panel = state.pane == ParserPane::Shown ? std::clamp(panelWidth, 0, total) : 0;
    const int rest = total - panel;
    switch (state.split) {
    case LogChartSplit::FullText:
        return {rest, 0, panel};
    case LogChartSplit::FullChart:
        return {0, rest, panel};
    case LogChartSplit::Half:
        break;
    }
    const int log = std::clamp(logWidth, 0, rest);
    return {log, rest - log, panel};
}

} // namespace views
