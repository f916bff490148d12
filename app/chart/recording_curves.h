// SPDX-License-Identifier: GPL-3.0-or-later
// A recording's three plotted curves, held whole, and the points of them a
// chart draws for a visible time range. Inside the range and one range's
// width either side (so a pan shows samples at once) every sample is drawn,
// unless that stretch holds more than kMostSamplesDrawn: then it is drawn as
// the lowest and highest point per bucket of kFineBuckets across it, as the
// live chart's history summarises old points (chart_history.h). Elsewhere the
// curve is drawn as kCoarseBuckets such buckets across the whole recording.
// A curve of any length so costs the chart a bounded number of points, and a
// zoom into any range shows every sample in it.
#pragma once

#include "recording/recorder.h"
#include "stream/display_modes.h"

#include <QVector>
#include <qcustomplot.h>

#include <array>
#include <vector>

namespace chart {

class RecordingCurves
{
public:
    static constexpr qsizetype kMostSamplesDrawn = 200'000;
    static constexpr int kFineBuckets = 6000;
    static constexpr int kCoarseBuckets = 4000;

    // The triple `mode` plots (live::plottedTriple) of every sample, keyed by
    // its seconds since the recording started.
    RecordingCurves(const std::vector<recording::SampleRecord> &samples, stream::DisplayMode mode);

    // The first and the last sample's key; 0 without samples.
    double firstKey() const;
    double lastKey() const;

    // The points of curve `axis` (0 x, 1 y, 2 z) to draw while keys
    // [lower, upper] are visible, in key order.
    QVector<QCPGraphData> pointsFor(int axis, double lower, double upper) const;

private:
    std::array<QVector<QCPGraphData>, 3> curves_;
    double coarseWidth_ = 1;
};

} // namespace chart
