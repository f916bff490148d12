// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_readout.h"

#include <qcustomplot.h>

#include <charconv>
#include <map>

namespace chart {

namespace {

QString timeText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}

// The points are single-precision readings: their shortest float text shows
// what was measured, not the noise of the widening to double.
QString valueText(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value)).ptr;
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

} // namespace

QString csvText(const std::vector<Curve> &curves, double firstKey, double lastKey)
{
    std::map<double, std::vector<std::optional<double>>> rows;
    for (std::size_t column = 0; column < curves.size(); ++column) {
        const QCPGraphDataContainer &data = *curves[column].data;
        for (auto it = data.findBegin(firstKey, false); it != data.constEnd() && it->key <= lastKey;
             ++it) {
            auto &row = rows[it->key];
            row.resize(curves.size());
            row[column] = it->value;
        }
    }
    QString text = QStringLiteral("time [s]");
    for (const Curve &curve : curves)
        text += ',' + curve.name;
    text += '\n';
    for (const auto &[key, values] : rows) {
        text += timeText(key);
        for (const std::optional<double> &value : values) {
            text += ',';
            if (value)
                text += valueText(*value);
        }
        text += '\n';
    }
    return text;
}

std::optional<Point> nearestByKey(const QCPGraphDataContainer &data, double key)
{
    if (data.isEmpty())
        return std::nullopt;
    auto after = data.findBegin(key, false);
    if (after == data.constEnd())
        --after;
    auto nearest = after;
    if (after != data.constBegin()) {
        const auto before = after - 1;
        if (key - before->key < after->key - key)
            nearest = before;
    }
    return Point{nearest->key, nearest->value};
}

QString tracerText(const QString &curveName, const Point &point)
{
    return QStringLiteral("t = %1 s\n%2 = %3")
        .arg(timeText(point.key), curveName, valueText(point.value));
}

} // namespace chart
