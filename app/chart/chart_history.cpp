// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_history.h"

#include "chart_controller.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace chart {

// Five minutes at full resolution let the operator zoom into the recent past
// and see every sample. The point cap bounds that part at high rates (16 bytes
// a point, 4 MB a curve): at 200 samples/s it never binds, at 20 000 samples/s
// it keeps 12.5 s. The live view is kept whole whatever the rate. One-second
// buckets keep a zoomed-out band exact down to a view of about half an hour
// across the chart; 2^17 of them cover a day and a half (two points each, at
// most 4 MB a curve) before they widen.
const Limits kChartLimits{
    /*recentSeconds=*/300.0,
    /*recentPoints=*/250'000,
    /*minimumRecentSeconds=*/ChartController::kVisibleSeconds,
    /*bucketSeconds=*/1.0,
    /*maxBuckets=*/std::size_t(1) << 17,
};

namespace {

// Compacting costs a pass over the curve; once per this many seconds of keys
// is a fraction of a millisecond a second at any rate.
constexpr double kCompactionSeconds = 5.0;

using Iterator = QCPGraphDataContainer::const_iterator;

// The key from which on the points stay as they are.
double recentStart(const QCPGraphDataContainer &data, const Limits &limits)
{
    const double newest = (data.constEnd() - 1)->key;
    double start = newest - limits.recentSeconds;
    if (std::size_t(data.size()) > limits.recentPoints)
        start = std::max(start, (data.constEnd() - qsizetype(limits.recentPoints))->key);
    return std::min(start, newest - limits.minimumRecentSeconds);
}

// The narrowest allowed bucket width for history reaching back from `start`
// to key 0. It depends on the full-resolution part only, so a second pass
// over a compacted curve picks the same width.
double bucketWidth(double start, const Limits &limits)
{
    double width = limits.bucketSeconds;
    while (std::abs(start) / width > double(limits.maxBuckets))
        width *= 2;
    return width;
}

// Room for the compacted curve: at most two points per bucket the old part
// touches, and the recent part.
qsizetype compactedSize(Iterator begin, Iterator recent, Iterator end, double width)
{
    if (begin == recent)
        return end - recent;
    const double buckets =
        std::floor((recent - 1)->key / width) - std::floor(begin->key / width) + 1;
    return qsizetype(std::min(double(recent - begin), 2 * buckets)) + (end - recent);
}

// Appends the lowest and highest point of [begin, end) in time order; one
// point when they are the same.
void appendEnvelope(Iterator begin, Iterator end, QVector<QCPGraphData> &out)
{
    Iterator lowest = begin;
    Iterator highest = begin;
    for (Iterator it = begin; it != end; ++it) {
        if (it->value < lowest->value)
            lowest = it;
        if (it->value > highest->value)
            highest = it;
    }
    const Iterator first = std::min(lowest, highest);
    const Iterator second = std::max(lowest, highest);
    out.append(*first);
    if (second != first)
        out.append(*second);
}

} // namespace

void appendBucketEnvelopes(QCPGraphDataContainer::const_iterator begin,
                           QCPGraphDataContainer::const_iterator end, double width,
                           QVector<QCPGraphData> &out)
{
    for (Iterator bucket = begin; bucket != end;) {
        const double index = std::floor(bucket->key / width);
        const Iterator next = std::find_if(
            bucket, end, [&](const QCPGraphData &p) { return std::floor(p.key / width) != index; });
        appendEnvelope(bucket, next, out);
        bucket = next;
    }
}

QVector<QCPGraphData> compacted(const QCPGraphDataContainer &data, const Limits &limits)
{
    QVector<QCPGraphData> out;
    if (data.isEmpty())
        return out;
    const double start = recentStart(data, limits);
    const double width = bucketWidth(start, limits);
    const Iterator recent = std::partition_point(
        data.constBegin(), data.constEnd(), [&](const QCPGraphData &p) { return p.key < start; });
    out.reserve(compactedSize(data.constBegin(), recent, data.constEnd(), width));
    appendBucketEnvelopes(data.constBegin(), recent, width, out);
    std::copy(recent, data.constEnd(), std::back_inserter(out));
    return out;
}

double newestKey(const QCPGraphDataContainer &data)
{
    return data.isEmpty() ? -std::numeric_limits<double>::infinity() : (data.constEnd() - 1)->key;
}

void compactWhenDue(QCPGraphDataContainer &data, double previousNewest)
{
    if (std::floor(newestKey(data) / kCompactionSeconds) ==
        std::floor(previousNewest / kCompactionSeconds))
        return;
    const QVector<QCPGraphData> points = compacted(data, kChartLimits);
    if (points.size() != data.size())
        data.set(points, /*alreadySorted=*/true);
}

} // namespace chart
