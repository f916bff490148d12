#include "noise/allan_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace noise {

namespace {

// The live chart's x, y and z colours, darkened to read on white.
const QColor kAxisColours[] = {QColor(230, 110, 0), QColor(0, 150, 75), QColor(140, 30, 220)};

// Margin around the data on a log axis, as a factor.
constexpr double kMargin = 1.5;

// An error bar reaching zero or below has no place on a log axis.
double belowOnLogAxis(const AllanPoint &point)
{
    return std::min(point.error, 0.9 * point.deviation);
}

void makeLogarithmic(QCPAxis &axis, const QString &label)
{
    axis.setScaleType(QCPAxis::stLogarithmic);
    axis.setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    axis.setNumberFormat("eb");
    axis.setNumberPrecision(0);
    axis.grid()->setSubGridVisible(true);
    axis.setLabel(label);
}

QCPGraph *addCurve(QCustomPlot &plot, const ChannelAnalysis &channel, const QColor &colour)
{
    QVector<double> taus, deviations, below, above;
    for (const AllanPoint &point : channel.curve) {
        taus << point.tau;
        deviations << point.deviation;
        below << belowOnLogAxis(point);
        above << point.error;
    }
    QCPGraph *graph = plot.addGraph();
    graph->setName(axisName(channel.axis));
    graph->setPen(QPen(colour, 1.5));
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    graph->setData(taus, deviations, true);
    auto *bars = new QCPErrorBars(plot.xAxis, plot.yAxis);
    bars->removeFromLegend();
    bars->setDataPlottable(graph);
    bars->setData(below, above);
    bars->setPen(QPen(colour.lighter(130)));
    return graph;
}

// A power law is a straight line on log-log axes: its two ends suffice.
void addFit(QCustomPlot &plot, const ReadParameter &parameter, const QColor &colour,
            const std::function<double(double value, double tau)> &line)
{
    if (!parameter.value || parameter.tauTo <= parameter.tauFrom)
        return;
    QCPGraph *fit = plot.addGraph();
    fit->removeFromLegend();
    fit->setPen(QPen(colour, 1.2, Qt::DashLine));
    const double value = *parameter.value;
    fit->setData({parameter.tauFrom, parameter.tauTo},
                 {line(value, parameter.tauFrom), line(value, parameter.tauTo)}, true);
}

void widen(QCPRange &range, double low, double high)
{
    range.lower = std::min(range.lower, low);
    range.upper = std::max(range.upper, high);
}

} // namespace

PlotRanges rangesOf(const std::vector<SensorChannels> &all, Sensor sensor)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    PlotRanges ranges{{kInfinity, -kInfinity}, {kInfinity, -kInfinity}};
    for (const SensorChannels &channels : all) {
        if (channels.sensor != sensor)
            continue;
        for (const ChannelAnalysis *channel : channels.axes)
            for (const AllanPoint &point : channel->curve) {
                widen(ranges.tau, point.tau, point.tau);
                widen(ranges.deviation, point.deviation - belowOnLogAxis(point),
                      point.deviation + point.error);
            }
    }
    if (ranges.tau.lower > ranges.tau.upper)
        return {{0.01, 100}, {1e-4, 1}};
    ranges.tau = {ranges.tau.lower / kMargin, ranges.tau.upper * kMargin};
    ranges.deviation = {ranges.deviation.lower / kMargin, ranges.deviation.upper * kMargin};
    return ranges;
}

QCustomPlot *allanPlot(const SensorChannels &channels, const PlotRanges &ranges)
{
    auto *plot = new QCustomPlot;
    plot->setObjectName("allanPlot");
    plot->setMinimumSize(480, 360);
    makeLogarithmic(*plot->xAxis, QStringLiteral("τ [s]"));
    makeLogarithmic(*plot->yAxis,
                    QStringLiteral("Allan deviation [%1]").arg(unitsOf(channels.sensor).reading));
    for (const ChannelAnalysis *channel : channels.axes) {
        const QColor colour = kAxisColours[channel->axis % 3];
        addCurve(*plot, *channel, colour);
        addFit(*plot, channel->parameters.whiteNoise, colour,
               [](double n, double tau) { return n / std::sqrt(tau); });
        addFit(*plot, channel->parameters.randomWalk, colour,
               [](double k, double tau) { return k * std::sqrt(tau / 3); });
    }
    plot->xAxis->setRange(ranges.tau);
    plot->yAxis->setRange(ranges.deviation);
    plot->legend->setVisible(true);
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    return plot;
}

} // namespace noise
