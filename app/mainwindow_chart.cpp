// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's slots and wiring; the chart itself is chart::LivePlot.
#include "mainwindow.h"

#include "chart/chart_controller.h"
#include "chart/live_plot.h"
#include "connection/closed_port.h"
#include "ui_mainwindow.h"

#include <qcustomplot.h>

void MainWindow::connectChart()
{
    livePlot_ = new chart::LivePlot(*ui, handoff_, plotting, displayTicks(), this);
    graph1 = livePlot_->graph(0);
    graph2 = livePlot_->graph(1);
    graph3 = livePlot_->graph(2);
    graph1Data = graph1->data();
    graph2Data = graph2->data();
    graph3Data = graph3->data();
    tracer = livePlot_->tracer();
    connect(livePlot_, &chart::LivePlot::tracerChanged, this,
            [this](QCPItemTracer *shown) { tracer = shown; });
    connect(&plotTimer, &QTimer::timeout, this, &MainWindow::timerSlot);
    connect(livePlot_, &chart::LivePlot::seenAgain, this, &MainWindow::timerSlot);
}

void MainWindow::timerSlot()
{
    if (livePlot_->refresh(rescaleValueAxis))
        rescaleValueAxis = false;
}

void MainWindow::on_pushButtonStartPlot_clicked(bool checked)
{
    if (busy)
        return;
    busy = true;
    if (!checked) {
        livePlot_->stop();
    } else if (!connection::deviceOpen(*imuSerial, connection::kPlotRefused, prompter())) {
        ui->pushButtonStartPlot->setChecked(false);
    } else {
        rescaleValueAxis = true;
        livePlot_->clear();
        livePlot_->begin();
    }
    busy = false;
}

void MainWindow::on_pushButtonClearGraphs_clicked()
{
    livePlot_->clear();
    ui->widgetChart->replot(QCustomPlot::rpRefreshHint);
}

void MainWindow::on_comboBoxShowType_currentIndexChanged(int index)
{
    if (livePlot_->showCurveSet(index))
        showType = index;
}
