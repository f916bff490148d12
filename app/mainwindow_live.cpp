// Live samples: log lines, angle read-outs and the real-time chart.
#include "mainwindow.h"

#include "chart/chartcontroller.h"
#include "chart/charthistory.h"
#include "sampletext.h"
#include "stream/display_modes.h"
#include "ui_mainwindow.h"

#include <qcustomplot.h>

namespace {

const QCP::Interactions chartInteractions =
    QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables | QCP::iSelectLegend;

QPen curvePen(const QColor &colour)
{
    return QPen(colour, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// Setting a line edit's text lays it out and repaints it even when the text is
// the same; a module at rest keeps its read-outs for many ticks.
void showIfChanged(QLineEdit &readout, const QString &text)
{
    if (readout.text() != text)
        readout.setText(text);
}

} // namespace

// Runs on the library's receive thread: it formats and hands over, and
// never touches a widget or the chart.
void MainWindow::RecvImuCallback(IMUserial::sensor_data *data)
{
    MainWindow *window = pthis;
    window->recorder.recordSample(*data);
    if (window->showMessages)
        emit window->writeLog(sampletext::sampleLine(
            static_cast<stream::DisplayMode>(window->messageDisplayMode.load()), *data));
    if (window->plotting) {
        const IMUserial::vec3 v = sampletext::plottedTriple(
            static_cast<stream::DisplayMode>(window->graphDisplayMode.load()), *data);
        window->handoff.pushPoint(v.x, v.y, v.z);
    }
    window->handoff.storeSample(*data);
}

void MainWindow::on_comboBoxMessagesDisplayMode_currentTextChanged(const QString &arg1)
{
    const stream::DisplayMode mode = stream::messageModeFor(arg1);
    messageDisplayMode = static_cast<int>(mode);
    messageFormat = stream::messageFormatFor(mode);
}

void MainWindow::AngleDisplay()
{
    // The read-outs keep their values until the first sample arrives.
    if (const auto sample = handoff.latestSample()) {
        angleX = sample->angle.x;
        angleY = sample->angle.y;
        angleZ = sample->angle.z;
    }
    showIfChanged(*ui->lineEdit_angle_x, sampletext::angleText(angleX));
    showIfChanged(*ui->lineEdit_angle_y, sampletext::angleText(angleY));
    showIfChanged(*ui->lineEdit_angle_z, sampletext::angleText(angleZ));
}

void MainWindow::createChart()
{
    ui->splitterReceivedData->setSizes({200, 400});
    // The log's and the chart's halves paint their own plain background, so a
    // read-out or scroll bar that changes does not repaint the group box's
    // frame behind it 60 times a second.
    ui->layoutWidget->setAutoFillBackground(true);
    ui->verticalLayoutWidget_2->setAutoFillBackground(true);
    QCustomPlot *chart = ui->widgetChart;
    chart->setInteractions(chartInteractions);
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

    chart->xAxis->setRange(-1, ui->spinBoxScrollingTimeRange->value());
    chart->yAxis->setRange(-1, 1);

    const struct
    {
        QPointer<QCPGraph> &graph;
        QSharedPointer<QCPGraphDataContainer> &data;
        const char *name;
        QColor colour;
    } curves[] = {{graph1, graph1Data, "x", QColor(250, 120, 0)},
                  {graph2, graph2Data, "y", QColor(0, 255, 127)},
                  {graph3, graph3Data, "z", QColor(160, 32, 240)}};
    for (const auto &curve : curves) {
        curve.graph = chart->addGraph(chart->xAxis, chart->yAxis);
        curve.graph->setPen(curvePen(curve.colour));
        curve.graph->setAdaptiveSampling(true);
        curve.graph->setName(curve.name);
        curve.data = curve.graph->data();
    }

    connect(chart, &QCustomPlot::mouseDoubleClick, this,
            &MainWindow::on_chartMouseDoubleClickHandler);
    connect(&plotTimer, &QTimer::timeout, this, &MainWindow::timerSlot);
    connect(&linkBlinkTimer, &QTimer::timeout, this, &MainWindow::radioButtonUpdate);
    linkBlinkTimer.setInterval(500);

    if (ui->checkBoxEnableTracer->isChecked())
        createChartTracer();
    ui->textBrowserLogs->setHighlightEnabled(false);
}

// Moves the points that arrived since the last refresh into the graphs, in
// arrival order (increasing keys, so no re-sort), and now and then summarises
// the older history to keep the curves' memory bounded. Says whether any
// points arrived.
bool MainWindow::drainChartPoints()
{
    const std::vector<ChartPoint> points = handoff.takePoints();
    const double previousNewest = charthistory::newestKey(*graph1Data);
    for (const ChartPoint &p : points) {
        graph1Data->add(QCPGraphData(p.key, p.x));
        graph2Data->add(QCPGraphData(p.key, p.y));
        graph3Data->add(QCPGraphData(p.key, p.z));
    }
    for (const auto &data : {graph1Data, graph2Data, graph3Data})
        charthistory::compactWhenDue(*data, previousNewest);
    return !points.empty();
}

void MainWindow::timerSlot()
{
    const bool arrived = drainChartPoints();
    if (graph1Data->isEmpty() || graph2Data->isEmpty() || graph3Data->isEmpty())
        return;
    // Without new points the view would be drawn again unchanged.
    if (!arrived && !rescaleValueAxis)
        return;
    QCustomPlot *chart = ui->widgetChart;
    if (rescaleValueAxis) {
        chart->yAxis->rescale(false);
        rescaleValueAxis = false;
    }
    chartController->followNewest();
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::emptyChart()
{
    graph1Data->clear();
    graph2Data->clear();
    graph3Data->clear();
    handoff.restartTimeBase();
}

void MainWindow::on_pushButtonStartPlot_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    if (!checked) {
        stopPlotting();
    } else if (!deviceOpen(closedport::plotRefused)) {
        ui->pushButtonStartPlot->setChecked(false);
    } else {
        rescaleValueAxis = true;
        emptyChart();
        beginPlotting();
    }
    busy = false;
}

// Also resumes a plot after a lost link came back, keeping the points and the
// time origin.
void MainWindow::beginPlotting()
{
    plotting = true;
    chartController->setPlotting(true);
    ui->pushButtonStartPlot->setText("Stop Plot");
    ui->pushButtonClearGraphs->setEnabled(false);
    ui->comboBoxGraphDisplayMode->setEnabled(false);
    plotTimer.start(displayTickMs);
    startDisplayTicksTogether();
}

// The read-outs and the chart refresh tick at the same rate. Started in the
// same instant they fire in the same pass of the event loop, and the window
// paints and hands the display server one frame per tick instead of two.
void MainWindow::startDisplayTicksTogether()
{
    for (QTimer *timer : {&angleTimer, &plotTimer})
        if (timer->isActive())
            timer->start(displayTickMs);
}

void MainWindow::stopPlotting()
{
    plotting = false;
    // Points that arrived while plotting still belong on the chart.
    drainChartPoints();
    QCustomPlot *chart = ui->widgetChart;
    chart->setInteractions(chartInteractions);
    chartController->setPlotting(false);
    ui->pushButtonStartPlot->setText("Start Plot");
    ui->pushButtonClearGraphs->setEnabled(true);
    ui->comboBoxGraphDisplayMode->setEnabled(true);
    plotTimer.stop();
}

void MainWindow::on_pushButtonClearGraphs_clicked()
{
    emptyChart();
    ui->widgetChart->replot(QCustomPlot::rpRefreshHint);
}

void MainWindow::on_comboBoxGraphDisplayMode_currentTextChanged(const QString &arg1)
{
    graphDisplayMode = static_cast<int>(stream::graphModeFor(arg1));
}

void MainWindow::on_comboBoxShowType_currentIndexChanged(int index)
{
    if (index < 0 || index > 3)
        return;
    showType = index;
    graph1->setVisible(index == 0 || index == 1);
    graph2->setVisible(index == 0 || index == 2);
    graph3->setVisible(index == 0 || index == 3);
    ui->widgetChart->replot(QCustomPlot::rpRefreshHint);
}

void MainWindow::on_chartMouseDoubleClickHandler(QMouseEvent *event)
{
    QCustomPlot *chart = ui->widgetChart;
    if (event->button() == Qt::LeftButton)
        chartController->fitView();
    chart->replot(QCustomPlot::rpRefreshHint);
}
