// The graph view's pages: the chart, and the module's attitude in 3D, which
// follows the stream on the read-outs' refresh while it is shown.
#include "mainwindow.h"

#include "orientation/orientationview.h"
#include "ui_mainwindow.h"

#include <QStackedWidget>

void MainWindow::connectOrientationView()
{
    auto *view = new orientation::OrientationView(ui->stackedWidgetGraphView);
    ui->stackedWidgetGraphView->addWidget(view);
    const auto refresh = [this, view] {
        if (!view->isVisible())
            return;
        // Level until the first sample arrives.
        const auto sample = handoff.latestSample();
        if (sample)
            view->setAttitude({sample->quat.w, sample->quat.x, sample->quat.y, sample->quat.z});
    };
    connect(ui->actionPlotter, &QAction::triggered, this,
            [this] { ui->stackedWidgetGraphView->setCurrentWidget(ui->page); });
    connect(ui->action3D_orientation, &QAction::triggered, this, [this, view, refresh] {
        ui->stackedWidgetGraphView->setCurrentWidget(view);
        refresh();
    });
    connect(&angleTimer, &QTimer::timeout, view, refresh);
}
