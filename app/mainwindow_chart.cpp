// The chart's slots and wiring; the chart itself is chart::LivePlot.
#include "mainwindow.h"

#include "chart/chart_controller.h"
#include "chart/live_plot.h"
#include "ui_mainwindow.h"

#include <qcustomplot.h>

void MainWindow::connectChart()
{
    livePlot = new chart::LivePlot(*ui, handoff, plotting, displayTicks(), this);
    graph1 = livePlot->graph(0);
    graph2 = livePlot->graph(1);
    graph3 = livePlot->graph(2);
    graph1Data = graph1->data();
    graph2Data = graph2->data();
    graph3Data = graph3->data();
    tracer = livePlot->tracer();
    connect(livePlot, &chart::LivePlot::tracerChanged, this,
            [this](QCPItemTracer *shown) { tracer = shown; });
    connect(&livePlot->controller(), &chart::ChartController::saveImageRequested, this,
            &MainWindow::saveGraphAs);
    connect(&plotTimer, &QTimer::timeout, this, &MainWindow::timerSlot);
}

void MainWindow::timerSlot()
{
    if (livePlot->refresh(rescaleValueAxis))
        rescaleValueAxis = false;
}

void MainWindow::on_pushButtonStartPlot_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    if (!checked) {
        livePlot->stop();
    } else if (!deviceOpen(closedport::plotRefused)) {
        ui->pushButtonStartPlot->setChecked(false);
    } else {
        rescaleValueAxis = true;
        livePlot->clear();
        livePlot->begin();
    }
    busy = false;
}

void MainWindow::on_pushButtonClearGraphs_clicked()
{
    livePlot->clear();
    ui->widgetChart->replot(QCustomPlot::rpRefreshHint);
}

void MainWindow::on_comboBoxShowType_currentIndexChanged(int index)
{
    if (livePlot->showCurveSet(index))
        showType = index;
}
