// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_plots.h"

#include <algorithm>
#include <array>
#include <cmath>
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

void addCurve(QCustomPlot &plot, const ChannelAnalysis &channel, const QColor &colour)
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
}

// The fitted lines: sigma = N / sqrt(tau) through N at 1 s, sigma = K sqrt(tau / 3)
// through K at 3 s.
using Line = double (*)(double value, double tau);
double whiteNoiseLine(double n, double tau)
{
    return n / std::sqrt(tau);
}
double randomWalkLine(double k, double tau)
{
    return k * std::sqrt(tau / 3);
}

struct Fit
{
    const ReadParameter &parameter;
    Line line;

    bool drawn() const { return parameter.value && parameter.tauTo > parameter.tauFrom; }
    double at(double tau) const { return line(*parameter.value, tau); }
};

std::array<Fit, 2> fitsOf(const ChannelAnalysis &channel)
{
    return {Fit{channel.parameters.whiteNoise, whiteNoiseLine},
            Fit{channel.parameters.randomWalk, randomWalkLine}};
}

// A power law is a straight line on log-log axes: its two ends suffice.
void addFit(QCustomPlot &plot, const Fit &fit, const QColor &colour)
{
    QCPGraph *graph = plot.addGraph();
    graph->removeFromLegend();
    // Darker, as it lies on the curve it was read from.
    graph->setPen(QPen(colour.darker(180), 2, Qt::DashLine));
    const double from = fit.parameter.tauFrom;
    const double to = fit.parameter.tauTo;
    graph->setData({from, to}, {fit.at(from), fit.at(to)}, true);
}

// QCPRange puts its ends in order, so the extremes are kept apart from it.
struct Extremes
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();

    void take(double one, double other)
    {
        lowest = std::min({lowest, one, other});
        highest = std::max({highest, one, other});
    }
    QCPRange withMargin() const { return {lowest / kMargin, highest * kMargin}; }
};

void takeChannel(Extremes &tau, Extremes &deviation, const ChannelAnalysis &channel)
{
    for (const AllanPoint &point : channel.curve) {
        tau.take(point.tau, point.tau);
        deviation.take(point.deviation - belowOnLogAxis(point), point.deviation + point.error);
    }
    for (const Fit &fit : fitsOf(channel))
        if (fit.drawn())
            deviation.take(fit.at(fit.parameter.tauFrom), fit.at(fit.parameter.tauTo));
}

QCustomPlot *logLogPlot(const char *name, const QString &keyLabel, const QString &valueLabel)
{
    auto *plot = new QCustomPlot;
    plot->setObjectName(name);
    plot->setMinimumSize(480, 360);
    makeLogarithmic(*plot->xAxis, keyLabel);
    makeLogarithmic(*plot->yAxis, valueLabel);
    plot->legend->setVisible(true);
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    return plot;
}

} // namespace

PlotRanges rangesOf(const std::vector<SensorChannels> &all, Sensor sensor)
{
    Extremes tau, deviation;
    for (const SensorChannels &channels : all) {
        if (channels.sensor != sensor)
            continue;
        for (const ChannelAnalysis *channel : channels.axes)
            takeChannel(tau, deviation, *channel);
    }
    // Nothing to plot: still a few decades, so that the axes read as log axes.
    if (tau.lowest > tau.highest)
        return {{0.01, 100}, {1e-4, 1}};
    return {tau.withMargin(), deviation.withMargin()};
}

QCustomPlot *allanPlot(const SensorChannels &channels, const PlotRanges &ranges)
{
    QCustomPlot *plot =
        logLogPlot("allanPlot", QStringLiteral("τ [s]"),
                   QStringLiteral("Allan deviation [%1]").arg(unitsOf(channels.sensor).reading));
    for (const ChannelAnalysis *channel : channels.axes) {
        const QColor colour = kAxisColours[channel->axis % 3];
        addCurve(*plot, *channel, colour);
        for (const Fit &fit : fitsOf(*channel))
            if (fit.drawn())
                addFit(*plot, fit, colour);
    }
    plot->xAxis->setRange(ranges.tau);
    plot->yAxis->setRange(ranges.deviation);
    return plot;
}

QCustomPlot *spectrumPlot(const SensorChannels &channels)
{
    QCustomPlot *plot = logLogPlot(
        "spectrumPlot", QStringLiteral("f [Hz]"),
        QStringLiteral("Spectral density [(%1)²/Hz]").arg(unitsOf(channels.sensor).reading));
    for (const ChannelAnalysis *channel : channels.axes) {
        QCPGraph *graph = plot->addGraph();
        graph->setName(axisName(channel->axis));
        graph->setPen(QPen(kAxisColours[channel->axis % 3], 1));
        const Spectrum &spectrum = channel->spectrum;
        // From the first bin on: 0 Hz has no place on a log axis.
        for (std::size_t bin = 1; bin < spectrum.frequency.size(); ++bin)
            graph->addData(spectrum.frequency[bin], spectrum.density[bin]);
    }
    plot->rescaleAxes();
    const QCPRange density = plot->yAxis->range();
    plot->yAxis->setRange(density.lower / kMargin, density.upper * kMargin);
    return plot;
}

} // namespace noise
