// SPDX-License-Identifier: GPL-3.0-or-later
// The window's live chart: its set-up, the three curves fed from the sample
// hand-off on the refresh tick, the curve set shown, the tracer, and plotting
// started and stopped. GUI thread only, like the chart.
#pragma once

#include "chart/graph_data_container.h"
#include "live/display_tick.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSharedPointer>

#include <array>
#include <atomic>
#include <memory>

class QCPGraph;
class QCPItemStraightLine;
class QCPItemTracer;
class QMouseEvent;
class Ui_MainWindow;

namespace live {
class SampleHandoff;
class ViewVisibility;
} // namespace live

namespace chart {

class ChartController;
class RecordingCurves;

class LivePlot : public QObject
{
    Q_OBJECT

public:
    // `plotting` is the flag the receive thread reads; the chart's tick
    // drives refresh() while plotting.
    LivePlot(Ui_MainWindow &ui, live::SampleHandoff &handoff, std::atomic<bool> &plotting,
             live::DisplayTicks ticks, QObject *parent);

    QCPGraph *graph(int index) const;
    // The tracer shown, or null while the form's tracer box is unchecked.
    QCPItemTracer *tracer() const { return tracer_; }
    // Removes the tracer from the chart; call before the chart goes.
    void removeTracer();

    // Moves the points that arrived into the curves and, while the chart can
    // be seen, draws them. With `rescaleValues` the value axis is fitted to
    // the curves first; says whether it was.
    bool refresh(bool rescaleValues);
    void clear();
    // Shows all curves (0) or only x, y or z (1 to 3); false for any other index.
    bool showCurveSet(int index);
    void fitOnDoubleClick(QMouseEvent *event);

    // Also resumes a plot after a lost link came back, keeping the points and
    // the time origin.
    void begin();
    void stop();
    bool isPlotting() const { return plotting_; }

    ChartController &controller() { return *controller_; }

    // Replay: the chart shows `curves` instead of the live curves, which go
    // on taking the stream's points aside and come back with showLive().
    // Called again with other curves (another plotted quantity) it keeps the
    // visible range.
    void showRecording(std::shared_ptr<const RecordingCurves> curves);
    // The replay position: a vertical line at `key`; while "Scroll X" is
    // checked the view shows the kVisibleSeconds up to it, as it shows the
    // newest points live.
    void showPosition(double key);
    void showLive();
    bool showsRecording() const { return recording_ != nullptr; }

signals:
    // A click (a press and release without a drag) on the chart while it
    // shows a recording, at this key.
    void positionPicked(double key);
    void tracerChanged(QCPItemTracer *tracer);
    // The chart came into sight: refresh it now, it may have missed points.
    void seenAgain();

private:
    void setUp();
    void addCurves();
    void drainPoints();
    void createTracer();
    void showTracer(bool on);
    void drawRecordingFor(double lower, double upper);
    void pickPositionOnClick(QMouseEvent *event);

    Ui_MainWindow &ui_;
    live::SampleHandoff &handoff_;
    std::atomic<bool> &plotting_;
    live::DisplayTicks ticks_;
    ChartController *controller_;
    live::ViewVisibility *visibility_;
    // Points arrived that the chart has not drawn yet.
    bool undrawn_ = false;
    std::array<QPointer<QCPGraph>, 3> graphs_;
    std::array<QSharedPointer<QCPGraphDataContainer>, 3> data_;
    QCPItemTracer *tracer_ = nullptr;
    std::shared_ptr<const RecordingCurves> recording_;
    // While a recording is shown: the points its graphs draw, the position
    // line, the live view's range to go back to, and where a click began.
    std::array<QSharedPointer<QCPGraphDataContainer>, 3> recordingData_;
    QCPItemStraightLine *positionLine_ = nullptr;
    QMetaObject::Connection followRange_;
    double liveLower_ = 0;
    double liveUpper_ = 0;
    QPointF pressedAt_;
};

} // namespace chart
