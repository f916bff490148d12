// The chart's steering by the operator: context menu, zoom rectangle and
// tracer, driven by the chart controller.
#include "mainwindow.h"

#include "chart/chartcontroller.h"
#include "ui_mainwindow.h"

#include <qcustomplot.h>

namespace {

QCPItemTracer::TracerStyle tracerStyleFor(const QString &choice)
{
    return choice.contains("Crosshair", Qt::CaseInsensitive) ? QCPItemTracer::tsCrosshair
                                                             : QCPItemTracer::tsCircle;
}

} // namespace

void MainWindow::connectChart()
{
    chartController = new ChartController(*ui->widgetChart, this);
    connect(chartController, &ChartController::saveImageRequested, this, &MainWindow::saveGraphAs);
    connect(ui->checkBoxEnableTracer, &QCheckBox::toggled, this, &MainWindow::showTracer);
    connect(ui->comboBoxTracerStyle, &QComboBox::currentTextChanged, this,
            [this](const QString &choice) {
                if (!tracer)
                    return;
                tracer->setStyle(tracerStyleFor(choice));
                ui->widgetChart->replot();
            });
}

// The tracer in the style the form chooses, following no curve until the
// mouse moves over the chart.
void MainWindow::createChartTracer()
{
    tracer = new QCPItemTracer(ui->widgetChart);
    tracer->setInterpolating(false);
    tracer->setStyle(tracerStyleFor(ui->comboBoxTracerStyle->currentText()));
    tracer->setPen(QPen(Qt::red));
    tracer->setBrush(QBrush(Qt::red));
    tracer->setSize(8);
    tracer->setGraph(nullptr);
    chartController->setTracer(tracer);
}

void MainWindow::showTracer(bool on)
{
    if (on == (tracer != nullptr))
        return;
    if (on) {
        createChartTracer();
    } else {
        chartController->setTracer(nullptr);
        ui->widgetChart->removeItem(tracer);
        tracer = nullptr;
    }
    ui->widgetChart->replot();
}
