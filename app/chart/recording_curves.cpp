// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/recording_curves.h"

#include "chart/chart_history.h"
#include "live/sample_text.h"

#include <algorithm>

namespace chart {

namespace {

using Iterator = QVector<QCPGraphData>::const_iterator;

// A bucket width that stays above zero for a recording of one instant.
double widthAcross(double span, int buckets)
{
    return std::max(span, 1e-6) / buckets;
}

} // namespace

RecordingCurves::RecordingCurves(const std::vector<recording::SampleRecord> &samples,
                                 stream::DisplayMode mode)
{
    for (auto &curve : curves_)
        curve.reserve(qsizetype(samples.size()));
    for (const recording::SampleRecord &record : samples) {
        const IMUserial::vec3 v = live::plottedTriple(mode, record.data);
        curves_[0].append({record.seconds, v.x});
        curves_[1].append({record.seconds, v.y});
        curves_[2].append({record.seconds, v.z});
    }
    if (!samples.empty())
        coarseWidth_ =
            widthAcross(samples.back().seconds - samples.front().seconds, kCoarseBuckets);
}

double RecordingCurves::firstKey() const
{
    return curves_[0].isEmpty() ? 0 : curves_[0].constFirst().key;
}

double RecordingCurves::lastKey() const
{
    return curves_[0].isEmpty() ? 0 : curves_[0].constLast().key;
}

QVector<QCPGraphData> RecordingCurves::pointsFor(int axis, double lower, double upper) const
{
    const QVector<QCPGraphData> &curve = curves_[std::size_t(axis)];
    const double width = std::max(upper - lower, 0.0);
    const auto byKey = [](const QCPGraphData &p, double key) { return p.key < key; };
    const Iterator begin = std::lower_bound(curve.begin(), curve.end(), lower - width, byKey);
    const Iterator end =
        std::upper_bound(begin, curve.end(), upper + width,
                         [](double key, const QCPGraphData &p) { return key < p.key; });
    QVector<QCPGraphData> out;
    out.reserve(2 * kCoarseBuckets + std::min(end - begin, kMostSamplesDrawn) + 4);
    appendBucketEnvelopes(curve.begin(), begin, coarseWidth_, out);
    if (end - begin <= kMostSamplesDrawn)
        std::copy(begin, end, std::back_inserter(out));
    else
        appendBucketEnvelopes(begin, end, widthAcross(3 * width, kFineBuckets), out);
    appendBucketEnvelopes(end, curve.end(), coarseWidth_, out);
    return out;
}

} // namespace chart
