// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's history in bounded memory. The newest points of a curve stay as
// they arrived; older ones are summarised per time bucket by the bucket's
// lowest and highest point, kept in their time order, so that a zoomed-out
// curve draws the same band as before and a zoom into old data shows that
// band. Summary points are ordinary points of the curve.
#pragma once

#include <qcustomplot.h>

#include <QVector>

#include <cstddef>

namespace chart {

struct Limits
{
    // The full-resolution part reaches back at most this far from the newest
    // key, and holds at most `recentPoints` points,
    double recentSeconds;
    std::size_t recentPoints;
    // but never covers less than this span.
    double minimumRecentSeconds;
    // Older points are summarised per bucket of this width, doubled as often
    // as needed for the buckets back to key 0 to number at most `maxBuckets`.
    // Buckets start at multiples of their width, so wider buckets are unions
    // of narrower ones and summarising a summary stays exact.
    double bucketSeconds;
    std::size_t maxBuckets;
};

// The limits of the window's chart.
extern const Limits kChartLimits;

// `data` with its points older than the full-resolution part replaced by
// their buckets' lowest and highest points. The full-resolution part is
// copied unchanged; compacting the result again changes nothing.
QVector<QCPGraphData> compacted(const QCPGraphDataContainer &data, const Limits &limits);

// Appends, for each bucket of `width` seconds (starting at multiples of it)
// that the points [begin, end) touch, its lowest and highest point in time
// order; one point when they are the same.
void appendBucketEnvelopes(QCPGraphDataContainer::const_iterator begin,
                           QCPGraphDataContainer::const_iterator end, double width,
                           QVector<QCPGraphData> &out);

// The newest key of `data`, or minus infinity when it is empty.
double newestKey(const QCPGraphDataContainer &data);

// Call after appending points to a chart curve whose newest key was
// `previousNewest`: compacts it in place with `kChartLimits` whenever its
// keys crossed a whole compaction period, so the cost stays amortised.
void compactWhenDue(QCPGraphDataContainer &data, double previousNewest);

} // namespace chart
