// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_controller.h"

#include "chart_history.h"
#include "chart_readout.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace chart {

namespace {

// A fitted value range is widened by this factor about its centre so that the
// curves do not touch the top and bottom edges.
constexpr double kValueMarginFactor = 1.2;

struct CornerChoice
{
    ChartController::LegendCorner corner;
    const char *text;
    Qt::Alignment alignment;
};
constexpr CornerChoice kCornerChoices[] = {
    {ChartController::LegendCorner::TopLeft, "Top left", Qt::AlignTop | Qt::AlignLeft},
    {ChartController::LegendCorner::TopRight, "Top right", Qt::AlignTop | Qt::AlignRight},
    {ChartController::LegendCorner::BottomLeft, "Bottom left", Qt::AlignBottom | Qt::AlignLeft},
    {ChartController::LegendCorner::BottomRight, "Bottom right", Qt::AlignBottom | Qt::AlignRight},
};
constexpr auto kDefaultCorner = ChartController::LegendCorner::BottomLeft;

QList<QCPGraph *> visibleGraphs(const QCustomPlot &plot)
{
    QList<QCPGraph *> graphs;
    for (int i = 0; i < plot.graphCount(); ++i)
        if (plot.graph(i)->visible())
            graphs.append(plot.graph(i));
    return graphs;
}

} // namespace

ChartController::ChartController(QCustomPlot &chart, QObject *parent)
    : QObject(parent), chart_(chart), menu_(new QMenu(&chart))
{
    buildMenu();
    setLegendCorner(kDefaultCorner);
    connect(&chart_, &QCustomPlot::customContextMenuRequested, this,
            [this](const QPoint &pos) { menu_->popup(chart_.mapToGlobal(pos)); });
    connect(&chart_, &QCustomPlot::beforeReplot, this, [this] {
        if (followValueRangeAction->isChecked())
            fitValueAxisToVisible();
    });
    connect(&chart_, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { traceAt(event->position()); });

    // The zoom rectangle belongs to the middle button only, so the left button
    // keeps panning (see eventFilter).
    chart_.installEventFilter(this);
}

void ChartController::buildMenu()
{
    fitAction = menu_->addAction("Fit now", this, [this] {
        fitView();
        chart_.replot();
    });
    followValueRangeAction = menu_->addAction("Follow value range");
    followValueRangeAction->setCheckable(true);
    connect(followValueRangeAction, &QAction::toggled, this, [this] { chart_.replot(); });
    scrollXAction = menu_->addAction("Scroll X");
    scrollXAction->setCheckable(true);
    scrollXAction->setChecked(true);
    connect(scrollXAction, &QAction::toggled, this, [this](bool on) {
        applyDragAxes();
        if (on)
            showNewest();
        chart_.replot();
    });
    menu_->addSeparator();
    saveImageAction = menu_->addAction("Save image...", this, &ChartController::saveImageRequested);
    copyCsvAction = menu_->addAction("Copy visible points as CSV", this, [this] {
        QApplication::clipboard()->setText(visiblePointsCsv());
    });
    QMenu *legendMenu = menu_->addMenu("Legend position");
    auto *corners = new QActionGroup(legendMenu);
    for (std::size_t i = 0; i < legendCornerActions.size(); ++i) {
        const CornerChoice &choice = kCornerChoices[i];
        QAction *action = legendMenu->addAction(choice.text, this, [this, choice] {
            setLegendCorner(choice.corner);
            chart_.replot();
        });
        action->setCheckable(true);
        corners->addAction(action);
        legendCornerActions[i] = action;
    }
}

void ChartController::setLegendCorner(LegendCorner corner)
{
    const CornerChoice &choice = kCornerChoices[static_cast<int>(corner)];
    chart_.axisRect()->insetLayout()->setInsetAlignment(0, choice.alignment);
    legendCornerActions[static_cast<int>(corner)]->setChecked(true);
}

void ChartController::setPlotting(bool on)
{
    plotting_ = on;
    applyDragAxes();
}

void ChartController::applyDragAxes()
{
    const Qt::Orientations axes =
        plotting_ && scrollXAction->isChecked() ? Qt::Vertical : Qt::Horizontal | Qt::Vertical;
    chart_.axisRect()->setRangeDrag(axes);
    chart_.axisRect()->setRangeZoom(axes);
}

void ChartController::followNewest()
{
    if (scrollXAction->isChecked())
        showNewest();
}

void ChartController::showNewest()
{
    double newest = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < chart_.graphCount(); ++i)
        newest = std::max(newest, newestKey(*chart_.graph(i)->data()));
    if (std::isfinite(newest))
        chart_.xAxis->setRange(newest - kVisibleSeconds, newest);
}

void ChartController::fitView()
{
    chart_.rescaleAxes(true);
    chart_.yAxis->scaleRange(kValueMarginFactor, chart_.yAxis->range().center());
}

void ChartController::fitValueAxisToVisible()
{
    QCPRange span;
    bool foundAny = false;
    for (QCPGraph *graph : visibleGraphs(chart_)) {
        bool found = false;
        const QCPRange range = graph->getValueRange(found, QCP::sdBoth, chart_.xAxis->range());
        if (!found)
            continue;
        if (foundAny)
            span.expand(range);
        else
            span = range;
        foundAny = true;
    }
    if (!foundAny)
        return;
    // A flat stretch still gets a range the axis accepts.
    if (span.size() == 0)
        span = QCPRange(span.lower - 1, span.upper + 1);
    chart_.yAxis->setRange(span);
    chart_.yAxis->scaleRange(kValueMarginFactor, span.center());
}

QString ChartController::visiblePointsCsv() const
{
    std::vector<Curve> curves;
    for (QCPGraph *graph : visibleGraphs(chart_))
        curves.push_back({graph->name(), graph->data().data()});
    const QCPRange keys = chart_.xAxis->range();
    return csvText(curves, keys.lower, keys.upper);
}

void ChartController::setTracer(QCPItemTracer *newTracer)
{
    if (tracerLabel_) {
        chart_.removeItem(tracerLabel_);
        tracerLabel_ = nullptr;
    }
    tracer_ = newTracer;
    if (!tracer_)
        return;
    tracerLabel_ = new QCPItemText(&chart_);
    tracerLabel_->position->setParentAnchor(tracer_->position);
    tracerLabel_->position->setCoords(10, -10);
    tracerLabel_->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    tracerLabel_->setTextAlignment(Qt::AlignLeft);
    tracerLabel_->setPadding(QMargins(4, 2, 4, 2));
    tracerLabel_->setBrush(QBrush(QColor(255, 255, 255, 200)));
    tracerLabel_->setPen(QPen(Qt::red));
    tracerLabel_->setClipToAxisRect(false);
    hideTracer();
}

void ChartController::hideTracer()
{
    tracer_->setVisible(false);
    tracerLabel_->setVisible(false);
    tracerLabel_->setText(QString());
}

void ChartController::traceAt(const QPointF &pixel)
{
    if (!tracer_)
        return;
    QCPGraph *nearestGraph = nullptr;
    Point nearest{};
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (QCPGraph *graph : visibleGraphs(chart_)) {
        const auto point = nearestByKey(*graph->data(), graph->keyAxis()->pixelToCoord(pixel.x()));
        if (!point)
            continue;
        const double distance =
            std::hypot(graph->keyAxis()->coordToPixel(point->key) - pixel.x(),
                       graph->valueAxis()->coordToPixel(point->value) - pixel.y());
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearestGraph = graph;
            nearest = *point;
        }
    }
    if (!nearestGraph) {
        hideTracer();
    } else {
        tracer_->setGraph(nearestGraph);
        tracer_->setGraphKey(nearest.key);
        tracer_->setVisible(true);
        tracerLabel_->setText(tracerText(nearestGraph->name(), nearest));
        tracerLabel_->setVisible(true);
    }
    chart_.replot(QCustomPlot::rpQueuedReplot);
}

QString ChartController::tracerReadout() const
{
    return tracerLabel_ ? tracerLabel_->text() : QString();
}

// The zoom rectangle is switched on as the middle button goes down and off
// once its rectangle is done. The chart binds its zoom to the rectangle when
// the mode is switched on, so ending the mode is connected after that, to run
// after the zoom.
bool ChartController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &chart_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton &&
        chart_.selectionRectMode() == QCP::srmNone) {
        chart_.setSelectionRectMode(QCP::srmZoom);
        QCPSelectionRect *rect = chart_.selectionRect();
        zoomRectEnds_ = {
            connect(rect, &QCPSelectionRect::accepted, this, &ChartController::endZoomRect),
            connect(rect, &QCPSelectionRect::canceled, this, &ChartController::endZoomRect)};
    }
    return QObject::eventFilter(watched, event);
}

void ChartController::endZoomRect()
{
    for (const QMetaObject::Connection &connection : zoomRectEnds_)
        disconnect(connection);
    chart_.setSelectionRectMode(QCP::srmNone);
}

} // namespace chart
