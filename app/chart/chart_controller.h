// SPDX-License-Identifier: GPL-3.0-or-later
// Steering of the live chart by the operator: its context menu, the zoom
// rectangle on the middle button, following the newest points and the
// value range, and the tracer's read-out. GUI thread only, like the chart.
#pragma once

#include <QObject>
#include <QPointF>

#include <array>

class QAction;
class QCPItemText;
class QCPItemTracer;
class QCustomPlot;
class QMenu;

namespace chart {

class ChartController : public QObject
{
    Q_OBJECT

public:
    // Seconds of the newest points shown while the time axis scrolls.
    static constexpr double kVisibleSeconds = 10.0;

    enum class LegendCorner
    {
        TopLeft,
        TopRight,
        BottomLeft,
        BottomRight,
    };

    explicit ChartController(QCustomPlot &chart, QObject *parent = nullptr);

    // Plotting pans and zooms the value axis only while the time axis
    // scrolls by itself; otherwise both axes.
    void setPlotting(bool plotting);
    // After new points arrived: shows the newest unless scrolling is off.
    void followNewest();
    // Fits both axes to the visible curves, with a margin above and below.
    void fitView();

    // The tracer item to steer, or null for none; the caller owns it.
    void setTracer(QCPItemTracer *tracer);
    // The tracer snaps to the visible curve point nearest to `pixel`.
    void traceAt(const QPointF &pixel);
    QString tracerReadout() const;

    // The visible curves' points in the visible time range, as CSV.
    QString visiblePointsCsv() const;

    QMenu &contextMenu() { return *menu_; }
    QAction *fitAction;
    QAction *followValueRangeAction;
    QAction *scrollXAction;
    QAction *saveImageAction;
    QAction *copyCsvAction;
    std::array<QAction *, 4> legendCornerActions;

signals:
    void saveImageRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenu();
    void showNewest();
    void fitValueAxisToVisible();
    void applyDragAxes();
    void setLegendCorner(LegendCorner corner);
    void hideTracer();
    void endZoomRect();

    QCustomPlot &chart_;
    QMenu *menu_;
    bool plotting_ = false;
    QCPItemTracer *tracer_ = nullptr;
    QCPItemText *tracerLabel_ = nullptr;
    std::array<QMetaObject::Connection, 2> zoomRectEnds_;
};

} // namespace chart
