// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_plot.h"

#include "chart_controller.h"
#include "chart_history.h"
#include "live/sample_handoff.h"
#include "live/view_visibility.h"
#include "recording_curves.h"
#include "ui_mainwindow.h"

#include <qcustomplot.h>

namespace chart {

namespace {

const QCP::Interactions kChartInteractions =
    QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables | QCP::iSelectLegend;

struct CurveLook
{
    const char *name;
    QColor colour;
};
const CurveLook kCurveLooks[] = {
    {"x", QColor(250, 120, 0)},
    {"y", QColor(0, 255, 127)},
    {"z", QColor(160, 32, 240)},
};

QPen curvePen(const QColor &colour)
{
    return QPen(colour, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

QCPItemTracer::TracerStyle tracerStyleFor(const QString &choice)
{
    return choice.contains("Crosshair", Qt::CaseInsensitive) ? QCPItemTracer::tsCrosshair
                                                             : QCPItemTracer::tsCircle;
}

} // namespace

LivePlot::LivePlot(Ui_MainWindow &ui, live::SampleHandoff &handoff, std::atomic<bool> &plotting,
                   live::DisplayTicks ticks, QObject *parent)
    : QObject(parent), ui_(ui), handoff_(handoff), plotting_(plotting), ticks_(ticks),
      controller_(new ChartController(*ui.widgetChart, this)),
      visibility_(new live::ViewVisibility(*ui.widgetChart))
{
    setUp();
    addCurves();
    QCustomPlot *chart = ui_.widgetChart;
    connect(chart, &QCustomPlot::mouseDoubleClick, this, &LivePlot::fitOnDoubleClick);
    connect(chart, &QCustomPlot::mousePress, this,
            [this](QMouseEvent *event) { pressedAt_ = event->position(); });
    connect(chart, &QCustomPlot::mouseRelease, this, &LivePlot::pickPositionOnClick);
    connect(visibility_, &live::ViewVisibility::seenAgain, this, &LivePlot::seenAgain);
    connect(ui_.checkBoxEnableTracer, &QCheckBox::toggled, this, &LivePlot::showTracer);
    connect(ui_.comboBoxTracerStyle, &QComboBox::currentTextChanged, this,
            [this](const QString &choice) {
                if (!tracer_)
                    return;
                tracer_->setStyle(tracerStyleFor(choice));
                ui_.widgetChart->replot();
            });
    if (ui_.checkBoxEnableTracer->isChecked())
        createTracer();
}

QCPGraph *LivePlot::graph(int index) const
{
    return graphs_[index];
}

void LivePlot::setUp()
{
    QCustomPlot *chart = ui_.widgetChart;
    chart->setInteractions(kChartInteractions);
    // The chart fills every pixel itself, so nothing behind it is repainted
    // with each frame; and its repaint joins the window's other updates in
    // one paint pass instead of forcing a paint of its own.
    chart->setAttribute(Qt::WA_OpaquePaintEvent);
    chart->setPlottingHint(QCP::phImmediateRefresh, false);
    chart->layer("overlay")->setMode(QCPLayer::lmLogical);

    QSharedPointer<QCPAxisTickerTime> timeTicker(new QCPAxisTickerTime);
    timeTicker->setTimeFormat("%h:%m:%s:%z");
    timeTicker->setTickCount(5);
    chart->xAxis->setTicker(timeTicker);
    QSharedPointer<QCPAxisTicker> valueTicker(new QCPAxisTicker);
    valueTicker->setTickCount(10);
    valueTicker->setTickStepStrategy(QCPAxisTicker::tssReadability);
    chart->yAxis->setTicker(valueTicker);
    chart->axisRect()->setupFullAxesBox(true);

    chart->legend->setVisible(true);
    chart->legend->setFont(QFont("MS Shell Dlg 2", 8, QFont::Thin));
    chart->legend->setIconSize(15, 10);
    chart->legend->setSelectableParts(QCPLegend::spItems);
    chart->setContextMenuPolicy(Qt::CustomContextMenu);

    chart->xAxis->setRange(-1, ui_.spinBoxScrollingTimeRange->value());
    chart->yAxis->setRange(-1, 1);
}

void LivePlot::addCurves()
{
    QCustomPlot *chart = ui_.widgetChart;
    for (std::size_t i = 0; i < graphs_.size(); ++i) {
        QCPGraph *graph = chart->addGraph(chart->xAxis, chart->yAxis);
        graph->setPen(curvePen(kCurveLooks[i].colour));
        graph->setAdaptiveSampling(true);
        graph->setName(kCurveLooks[i].name);
        graphs_[i] = graph;
        data_[i] = graph->data();
    }
}

// Moves the points that arrived since the last refresh into the graphs, in
// arrival order (increasing keys, so no re-sort), and now and then summarises
// the older history to keep the curves' memory bounded.
void LivePlot::drainPoints()
{
    const std::vector<live::ChartPoint> points = handoff_.takePoints();
    const double previousNewest = newestKey(*data_[0]);
    for (const live::ChartPoint &p : points) {
        data_[0]->add(QCPGraphData(p.key, p.x));
        data_[1]->add(QCPGraphData(p.key, p.y));
        data_[2]->add(QCPGraphData(p.key, p.z));
    }
    for (const auto &data : data_)
        compactWhenDue(*data, previousNewest);
    undrawn_ = undrawn_ || !points.empty();
}

// The history takes every point whether or not anyone looks; drawing waits
// until the chart can be seen.
bool LivePlot::refresh(bool rescaleValues)
{
    drainPoints();
    if (recording_ || !visibility_->isSeen())
        return false;
    for (const auto &data : data_)
        if (data->isEmpty())
            return false;
    // Without new points the view would be drawn again unchanged.
    if (!undrawn_ && !rescaleValues)
        return false;
    QCustomPlot *chart = ui_.widgetChart;
    if (rescaleValues)
        chart->yAxis->rescale(false);
    controller_->followNewest();
    chart->replot(QCustomPlot::rpQueuedReplot);
    undrawn_ = false;
    return rescaleValues;
}

void LivePlot::clear()
{
    for (const auto &data : data_)
        data->clear();
    handoff_.restartTimeBase();
}

bool LivePlot::showCurveSet(int index)
{
    if (index < 0 || index > 3)
        return false;
    for (int i = 0; i < 3; ++i)
        graphs_[i]->setVisible(index == 0 || index == i + 1);
    ui_.widgetChart->replot(QCustomPlot::rpRefreshHint);
    return true;
}

void LivePlot::fitOnDoubleClick(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        controller_->fitView();
    ui_.widgetChart->replot(QCustomPlot::rpRefreshHint);
}

void LivePlot::begin()
{
    plotting_ = true;
    controller_->setPlotting(true);
    ui_.pushButtonStartPlot->setText("Stop Plot");
    ui_.pushButtonClearGraphs->setEnabled(false);
    ui_.comboBoxGraphDisplayMode->setEnabled(false);
    ticks_.start(ticks_.chart);
}

void LivePlot::stop()
{
    plotting_ = false;
    // Points that arrived while plotting still belong on the chart.
    drainPoints();
    ui_.widgetChart->setInteractions(kChartInteractions);
    controller_->setPlotting(false);
    ui_.pushButtonStartPlot->setText("Start Plot");
    ui_.pushButtonClearGraphs->setEnabled(true);
    ui_.comboBoxGraphDisplayMode->setEnabled(true);
    ticks_.chart.stop();
}

// The tracer in the style the form chooses, following no curve until the
// mouse moves over the chart.
void LivePlot::createTracer()
{
    tracer_ = new QCPItemTracer(ui_.widgetChart);
    tracer_->setInterpolating(false);
    tracer_->setStyle(tracerStyleFor(ui_.comboBoxTracerStyle->currentText()));
    tracer_->setPen(QPen(Qt::red));
    tracer_->setBrush(QBrush(Qt::red));
    tracer_->setSize(8);
    tracer_->setGraph(nullptr);
    controller_->setTracer(tracer_);
}

void LivePlot::showTracer(bool on)
{
    if (on == (tracer_ != nullptr))
        return;
    if (on) {
        createTracer();
    } else {
        controller_->setTracer(nullptr);
        removeTracer();
    }
    ui_.widgetChart->replot();
    emit tracerChanged(tracer_);
}

void LivePlot::showRecording(std::shared_ptr<const RecordingCurves> curves)
{
    QCustomPlot *chart = ui_.widgetChart;
    const bool first = !recording_;
    recording_ = std::move(curves);
    if (first) {
        liveLower_ = chart->xAxis->range().lower;
        liveUpper_ = chart->xAxis->range().upper;
        for (std::size_t i = 0; i < graphs_.size(); ++i) {
            recordingData_[i] = QSharedPointer<QCPGraphDataContainer>::create();
            graphs_[i]->setData(recordingData_[i]);
        }
        positionLine_ = new QCPItemStraightLine(chart);
        positionLine_->setPen(QPen(QColor(200, 0, 0), 1.5, Qt::DashLine));
        followRange_ =
            connect(chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
                    [this](const QCPRange &range) { drawRecordingFor(range.lower, range.upper); });
        controller_->setPlotting(false);
        // The whole recording first; the view follows the position from there.
        chart->xAxis->setRange(recording_->firstKey(), recording_->lastKey());
        controller_->fitView();
        chart->xAxis->setRange(recording_->firstKey(), recording_->lastKey());
    }
    drawRecordingFor(chart->xAxis->range().lower, chart->xAxis->range().upper);
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void LivePlot::drawRecordingFor(double lower, double upper)
{
    for (std::size_t i = 0; i < recordingData_.size(); ++i)
        recordingData_[i]->set(recording_->pointsFor(int(i), lower, upper), /*alreadySorted=*/true);
}

// With "Scroll X" the position stays in sight: once it passes the view's
// edge the view scrolls with it at the right edge, as live.
void LivePlot::showPosition(double key)
{
    if (!positionLine_)
        return;
    positionLine_->point1->setCoords(key, 0);
    positionLine_->point2->setCoords(key, 1);
    QCPAxis *time = ui_.widgetChart->xAxis;
    if (controller_->scrollXAction->isChecked() && !time->range().contains(key))
        time->setRange(key - time->range().size(), key);
    ui_.widgetChart->replot(QCustomPlot::rpQueuedReplot);
}

void LivePlot::showLive()
{
    if (!recording_)
        return;
    QCustomPlot *chart = ui_.widgetChart;
    disconnect(followRange_);
    chart->removeItem(positionLine_);
    positionLine_ = nullptr;
    for (std::size_t i = 0; i < graphs_.size(); ++i) {
        graphs_[i]->setData(data_[i]);
        recordingData_[i].reset();
    }
    recording_.reset();
    controller_->setPlotting(plotting_);
    chart->xAxis->setRange(liveLower_, liveUpper_);
    undrawn_ = true;
    chart->replot(QCustomPlot::rpQueuedReplot);
}

// A press and release within a few pixels is a click, not a pan.
void LivePlot::pickPositionOnClick(QMouseEvent *event)
{
    constexpr double kMostClickTravel = 4;
    if (!recording_ || event->button() != Qt::LeftButton ||
        (event->position() - pressedAt_).manhattanLength() > kMostClickTravel)
        return;
    emit positionPicked(ui_.widgetChart->xAxis->pixelToCoord(event->position().x()));
}

void LivePlot::removeTracer()
{
    if (!tracer_)
        return;
    ui_.widgetChart->removeItem(tracer_);
    tracer_ = nullptr;
}

} // namespace chart
