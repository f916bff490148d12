#include "views/split_layout.h"

namespace views {

std::array<int, 3> paneWidths(const SplitState &state, int total)
{
    switch (state.pane) {
    case ParserPane::Full:
        return {0, 0, total};
    case ParserPane::Shown:
    case ParserPane::Hidden:
        break;
    }
    const int panel = state.pane == ParserPane::Shown ? total / 3 : 0;
    const int rest = total - panel;
    switch (state.split) {
    case LogChartSplit::FullText:
        return {rest, 0, panel};
    case LogChartSplit::FullChart:
        return {0, rest, panel};
    case LogChartSplit::Half:
        break;
    }
    return {rest / 2, rest - rest / 2, panel};
}

} // namespace views
