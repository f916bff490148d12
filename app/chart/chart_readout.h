// SPDX-License-Identifier: GPL-3.0-or-later
// Texts read off the chart: the visible points as CSV and the tracer's
// read-out, and the point a tracer snaps to. Pure functions of the data.
#pragma once

#include "chart/graph_data_container.h"

#include <QString>

#include <optional>
#include <vector>

namespace chart {

struct Curve
{
    QString name;
    const QCPGraphDataContainer *data;
};

struct Point
{
    double key;
    double value;
};

// A header "time [s]" plus one column per curve, then one line per key in
// [firstKey, lastKey] held by any curve, in key order; a curve without a
// point at that key leaves its field empty. Times in seconds to the
// millisecond, values as the shortest text of their single-precision number,
// '.' as decimal point whatever the locale.
QString csvText(const std::vector<Curve> &curves, double firstKey, double lastKey);

// The point whose key is closest to `key`; none for an empty curve.
std::optional<Point> nearestByKey(const QCPGraphDataContainer &data, double key);

// "t = 1.250 s" over "<curve> = <value>".
QString tracerText(const QString &curveName, const Point &point);

} // namespace chart
