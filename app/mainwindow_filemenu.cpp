// The File menu: the log and the chart saved or printed, and Quit.
#include "mainwindow.h"

#include "chart/chart_image.h"
#include "filedialogs.h"
#include "filemenu/printing.h"
#include "filemenu/suggestedpath.h"
#include "files/savedfile.h"
#include "ui_mainwindow.h"

#include <QPrinter>

void MainWindow::connectFileMenu()
{
    connect(ui->actionSave_As, &QAction::triggered, this, &MainWindow::saveLogAs);
    connect(ui->actionImage, &QAction::triggered, this, &MainWindow::saveGraphAs);
    connect(ui->actionPrint_log, &QAction::triggered, this, &MainWindow::printLog);
    connect(ui->actionPrint_Graph, &QAction::triggered, this, &MainWindow::printGraph);
    // Exactly what the close button does: the window's end stops the stream
    // and closes the port.
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::saveLogAs()
{
    const QString path = filedialogs::saveFileName(
        this, "Save Log As", "Text files (*.txt);;All files (*)",
        filemenu::suggestedPath("log", "txt", QDateTime::currentDateTime()));
    if (path.isEmpty())
        return;
    flushLog();
    const QString failure = savedfile::writeAll(path, ui->textBrowserLogs->toPlainText().toUtf8());
    if (!failure.isEmpty())
        QMessageBoxWindow(MsgCritical, "Error", failure);
}

void MainWindow::saveGraphAs()
{
    const QString chosen = filedialogs::saveFileName(
        this, "Save Graph As", chart::imageDialogFilter(),
        filemenu::suggestedPath("graph", "png", QDateTime::currentDateTime()));
    if (chosen.isEmpty())
        return;
    const QString failure = chart::saveImage(*ui->widgetChart, chart::withImageSuffix(chosen));
    if (!failure.isEmpty())
        QMessageBoxWindow(MsgCritical, "Error", failure);
}

void MainWindow::printLog()
{
    QPrinter printer;
    if (!printing::choosePrinter(this, "Print Log", printer))
        return;
    flushLog();
    if (!printing::printText(*ui->textBrowserLogs, printer))
        QMessageBoxWindow(MsgCritical, "Error", "Could not print the log: the printer failed.");
}

void MainWindow::printGraph()
{
    QPrinter printer;
    if (!printing::choosePrinter(this, "Print Graph", printer))
        return;
    if (!printing::printChart(*ui->widgetChart, printer))
        QMessageBoxWindow(MsgCritical, "Error", "Could not print the graph: the printer failed.");
}
