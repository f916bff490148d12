#include "chartcontroller.h"

#include "charthistory.h"
#include "chartreadout.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace {

// A fitted value range is widened by this factor about its centre so that the
// curves do not touch the top and bottom edges.
constexpr double valueMarginFactor = 1.2;

struct CornerChoice
{
    ChartController::LegendCorner corner;
    const char *text;
    Qt::Alignment alignment;
};
constexpr CornerChoice cornerChoices[] = {
    {ChartController::LegendCorner::TopLeft, "Top left", Qt::AlignTop | Qt::AlignLeft},
    {ChartController::LegendCorner::TopRight, "Top right", Qt::AlignTop | Qt::AlignRight},
    {ChartController::LegendCorner::BottomLeft, "Bottom left", Qt::AlignBottom | Qt::AlignLeft},
    {ChartController::LegendCorner::BottomRight, "Bottom right", Qt::AlignBottom | Qt::AlignRight},
};
constexpr auto defaultCorner = ChartController::LegendCorner::BottomLeft;

QList<QCPGraph *> visibleGraphs(const QCustomPlot &chart)
{
    QList<QCPGraph *> graphs;
    for (int i = 0; i < chart.graphCount(); ++i)
        if (chart.graph(i)->visible())
            graphs.append(chart.graph(i));
    return graphs;
}

} // namespace

ChartController::ChartController(QCustomPlot &chart, QObject *parent)
    : QObject(parent), chart(chart), menu(new QMenu(&chart))
{
    buildMenu();
    setLegendCorner(defaultCorner);
    connect(&chart, &QCustomPlot::customContextMenuRequested, this,
            [this](const QPoint &pos) { menu->popup(this->chart.mapToGlobal(pos)); });
    connect(&chart, &QCustomPlot::beforeReplot, this, [this] {
        if (followValueRangeAction->isChecked())
            fitValueAxisToVisible();
    });
    connect(&chart, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { traceAt(event->position()); });

    // The zoom rectangle belongs to the middle button only, so the left button
    // keeps panning (see eventFilter).
    chart.installEventFilter(this);
}

void ChartController::buildMenu()
{
    fitAction = menu->addAction("Fit now", this, [this] {
        fitView();
        chart.replot();
    });
    followValueRangeAction = menu->addAction("Follow value range");
    followValueRangeAction->setCheckable(true);
    connect(followValueRangeAction, &QAction::toggled, this, [this] { chart.replot(); });
    scrollXAction = menu->addAction("Scroll X");
    scrollXAction->setCheckable(true);
    scrollXAction->setChecked(true);
    connect(scrollXAction, &QAction::toggled, this, [this](bool on) {
        applyDragAxes();
        if (on)
            showNewest();
        chart.replot();
    });
    menu->addSeparator();
    saveImageAction = menu->addAction("Save image...", this, &ChartController::saveImageRequested);
    copyCsvAction = menu->addAction("Copy visible points as CSV", this, [this] {
        QApplication::clipboard()->setText(visiblePointsCsv());
    });
    QMenu *legendMenu = menu->addMenu("Legend position");
    auto *corners = new QActionGroup(legendMenu);
    for (std::size_t i = 0; i < legendCornerActions.size(); ++i) {
        const CornerChoice &choice = cornerChoices[i];
        QAction *action = legendMenu->addAction(choice.text, this, [this, choice] {
            setLegendCorner(choice.corner);
            chart.replot();
        });
        action->setCheckable(true);
        corners->addAction(action);
        legendCornerActions[i] = action;
    }
}

void ChartController::setLegendCorner(LegendCorner corner)
{
    const CornerChoice &choice = cornerChoices[static_cast<int>(corner)];
    chart.axisRect()->insetLayout()->setInsetAlignment(0, choice.alignment);
    legendCornerActions[static_cast<int>(corner)]->setChecked(true);
}

void ChartController::setPlotting(bool on)
{
    plotting = on;
    applyDragAxes();
}

void ChartController::applyDragAxes()
{
    const Qt::Orientations axes =
        plotting && scrollXAction->isChecked() ? Qt::Vertical : Qt::Horizontal | Qt::Vertical;
    chart.axisRect()->setRangeDrag(axes);
    chart.axisRect()->setRangeZoom(axes);
}

void ChartController::followNewest()
{
    if (scrollXAction->isChecked())
        showNewest();
}

void ChartController::showNewest()
{
    double newest = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < chart.graphCount(); ++i)
        newest = std::max(newest, charthistory::newestKey(*chart.graph(i)->data()));
    if (std::isfinite(newest))
        chart.xAxis->setRange(newest - visibleSeconds, newest);
}

void ChartController::fitView()
{
    chart.rescaleAxes(true);
    chart.yAxis->scaleRange(valueMarginFactor, chart.yAxis->range().center());
}

void ChartController::fitValueAxisToVisible()
{
    QCPRange span;
    bool foundAny = false;
    for (QCPGraph *graph : visibleGraphs(chart)) {
        bool found = false;
        const QCPRange range = graph->getValueRange(found, QCP::sdBoth, chart.xAxis->range());
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
    chart.yAxis->setRange(span);
    chart.yAxis->scaleRange(valueMarginFactor, span.center());
}

QString ChartController::visiblePointsCsv() const
{
    std::vector<chartreadout::Curve> curves;
    for (QCPGraph *graph : visibleGraphs(chart))
        curves.push_back({graph->name(), graph->data().data()});
    const QCPRange keys = chart.xAxis->range();
    return chartreadout::csvText(curves, keys.lower, keys.upper);
}

void ChartController::setTracer(QCPItemTracer *newTracer)
{
    if (tracerLabel) {
        chart.removeItem(tracerLabel);
        tracerLabel = nullptr;
    }
    tracer = newTracer;
    if (!tracer)
        return;
    tracerLabel = new QCPItemText(&chart);
    tracerLabel->position->setParentAnchor(tracer->position);
    tracerLabel->position->setCoords(10, -10);
    tracerLabel->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    tracerLabel->setTextAlignment(Qt::AlignLeft);
    tracerLabel->setPadding(QMargins(4, 2, 4, 2));
    tracerLabel->setBrush(QBrush(QColor(255, 255, 255, 200)));
    tracerLabel->setPen(QPen(Qt::red));
    tracerLabel->setClipToAxisRect(false);
    hideTracer();
}

void ChartController::hideTracer()
{
    tracer->setVisible(false);
    tracerLabel->setVisible(false);
    tracerLabel->setText(QString());
}

void ChartController::traceAt(const QPointF &pixel)
{
    if (!tracer)
        return;
    QCPGraph *nearestGraph = nullptr;
    chartreadout::Point nearest{};
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (QCPGraph *graph : visibleGraphs(chart)) {
        const auto point =
            chartreadout::nearestByKey(*graph->data(), graph->keyAxis()->pixelToCoord(pixel.x()));
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
        tracer->setGraph(nearestGraph);
        tracer->setGraphKey(nearest.key);
        tracer->setVisible(true);
        tracerLabel->setText(chartreadout::tracerText(nearestGraph->name(), nearest));
        tracerLabel->setVisible(true);
    }
    chart.replot(QCustomPlot::rpQueuedReplot);
}

QString ChartController::tracerReadout() const
{
    return tracerLabel ? tracerLabel->text() : QString();
}

// The zoom rectangle is switched on as the middle button goes down and off
// once its rectangle is done. The chart binds its zoom to the rectangle when
// the mode is switched on, so ending the mode is connected after that, to run
// after the zoom.
bool ChartController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &chart && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton &&
        chart.selectionRectMode() == QCP::srmNone) {
        chart.setSelectionRectMode(QCP::srmZoom);
        QCPSelectionRect *rect = chart.selectionRect();
        zoomRectEnds = {
            connect(rect, &QCPSelectionRect::accepted, this, &ChartController::endZoomRect),
            connect(rect, &QCPSelectionRect::canceled, this, &ChartController::endZoomRect)};
    }
    return QObject::eventFilter(watched, event);
}

void ChartController::endZoomRect()
{
    for (const QMetaObject::Connection &connection : zoomRectEnds)
        disconnect(connection);
    chart.setSelectionRectMode(QCP::srmNone);
}
