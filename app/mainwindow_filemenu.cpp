// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu, built as filemenu::FileMenu; the chart's "Save image..." is
// the menu's image entry.
#include "mainwindow.h"

#include "chart/chart_controller.h"
#include "chart/live_plot.h"
#include "filemenu/file_menu.h"
#include "recording/stream_recording.h"
#include "recording/unsaved_offer.h"

void MainWindow::connectFileMenu()
{
    fileMenu_ = new filemenu::FileMenu(*this, *ui, *liveLog_, stream_->recorder(), prompter());
    connect(&livePlot_->controller(), &chart::ChartController::saveImageRequested, fileMenu_,
            &filemenu::FileMenu::saveGraphAs);
}

void MainWindow::on_actionto_csv_triggered()
{
    fileMenu_->exportCsv();
}

void MainWindow::offerUnsavedRecordings(const QString &folder)
{
    (new recording::UnsavedOffer(*this, *fileMenu_, prompter()))->start(folder);
}
