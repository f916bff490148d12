// A recording's three plotted curves, held whole, and the points of them a
// chart draws for a visible time range: every sample inside the range (and
// one range's width either side, so a pan shows samples at once), and the
// lowest and highest point per time bucket elsewhere, as the live chart's
// history does (chart_history.h). A curve of any length so costs the chart a
// bounded number of points. GUI thread only.
#pragma once

#include "chart/graph_data_container.h"
#include "recording/recorder.h"
#include "stream/display_modes.h"

#include <QVector>

#include <array>
#include <vector>

namespace chart {

class RecordingCurves
{
public:
    // The triple `mode` plots (live::plottedTriple) of every sample, keyed by
    // its seconds since the recording started.
    RecordingCurves(const std::vector<recording::SampleRecord> &samples, stream::DisplayMode mode);

    std::size_t size() const { return keys_.size(); }
    double firstKey() const;
    double lastKey() const;

    // The points of curve `axis` (0 x, 1 y, 2 z) to draw while keys
    // [lower, upper] are visible, in key order.
    QVector<QCPGraphData> pointsFor(int axis, double lower, double upper) const;

private:
    std::vector<double> keys_;
    std::array<std::vector<double>, 3> values_;
};

} // namespace chart
