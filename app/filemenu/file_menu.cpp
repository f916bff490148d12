// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_menu.h"

#include "chart/chart_image.h"
#include "filemenu/printing.h"
#include "filemenu/suggested_path.h"
#include "files/saved_file.h"
#include "livelog/live_log.h"
#include "prompts/file_dialogs.h"
#include "recording/recorder.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QPrinter>
#include <QProgressDialog>

namespace filemenu {

FileMenu::FileMenu(QMainWindow &window, Ui_MainWindow &ui, livelog::LiveLog &log,
                   recording::Recorder &recorder, prompts::Prompter prompter)
    : QObject(&window), window_(window), ui_(ui), log_(log), recorder_(recorder),
      prompter_(std::move(prompter))
{
    connect(ui_.actionSave_As, &QAction::triggered, this, &FileMenu::saveLogAs);
    connect(ui_.actionImage, &QAction::triggered, this, &FileMenu::saveGraphAs);
    connect(ui_.actionPrint_log, &QAction::triggered, this, &FileMenu::printLog);
    connect(ui_.actionPrint_Graph, &QAction::triggered, this, &FileMenu::printGraph);
    // Exactly what the close button does: the window's end stops the stream
    // and closes the port.
    connect(ui_.actionQuit, &QAction::triggered, &window_, &QWidget::close);
}

void FileMenu::saveLogAs()
{
    const QString path =
        prompts::saveFileName(&window_, "Save Log As", "Text files (*.txt);;All files (*)",
                              suggestedPath("log", "txt", QDateTime::currentDateTime()));
    if (path.isEmpty())
        return;
    log_.flush();
    const QString failure = files::writeAll(path, ui_.textBrowserLogs->toPlainText().toUtf8());
    if (!failure.isEmpty())
        prompter_.error("Error", failure);
}

void FileMenu::saveGraphAs()
{
    const QString chosen =
        prompts::saveFileName(&window_, "Save Graph As", chart::imageDialogFilter(),
                              suggestedPath("graph", "png", QDateTime::currentDateTime()));
    if (chosen.isEmpty())
        return;
    const QString failure = chart::saveImage(*ui_.widgetChart, chart::withImageSuffix(chosen));
    if (!failure.isEmpty())
        prompter_.error("Error", failure);
}

void FileMenu::printLog()
{
    QPrinter printer;
    if (!choosePrinter(&window_, "Print Log", printer))
        return;
    log_.flush();
    if (!printText(*ui_.textBrowserLogs, printer))
        prompter_.error("Error", "Could not print the log: the printer failed.");
}

void FileMenu::printGraph()
{
    QPrinter printer;
    if (!choosePrinter(&window_, "Print Graph", printer))
        return;
    if (!printChart(*ui_.widgetChart, printer))
        prompter_.error("Error", "Could not print the graph: the printer failed.");
}

void FileMenu::exportCsv()
{
    if (csvExport_)
        return;
    if (recorder_.isEmpty()) {
        prompter_.inform("Export",
                         "Nothing has been recorded yet. Start Recv records the stream until "
                         "it stops; then it can be exported.");
        return;
    }
    exportRecording(recorder_.snapshot(), QDateTime::currentDateTime(), [](bool) {});
}

void FileMenu::exportRecording(recording::RecordingSnapshot snapshot, const QDateTime &started,
                               std::function<void(bool written)> done)
{
    const QString path =
        csvExport_ ? QString()
                   : prompts::saveFileName(&window_, "Export Recording as CSV", "CSV files (*.csv)",
                                           suggestedPath("data", "csv", started));
    if (path.isEmpty()) {
        done(false);
        return;
    }
    csvExportDone_ = std::move(done);
    csvExport_ = std::make_unique<recording::CsvExport>(std::move(snapshot), path);
    auto *dialog = new QProgressDialog("Exporting the recording...", "Cancel", 0,
                                       static_cast<int>(csvExport_->totalRows()), &window_);
    dialog->setObjectName("csvExportProgress");
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(300);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    csvExportProgress_ = dialog;
    connect(dialog, &QProgressDialog::canceled, csvExport_.get(), &recording::CsvExport::cancel);
    connect(csvExport_.get(), &recording::CsvExport::progress, dialog,
            [dialog](qint64 rows) { dialog->setValue(static_cast<int>(rows)); });
    connect(csvExport_.get(), &recording::CsvExport::finished, this, &FileMenu::csvExportFinished);
    csvExport_->start();
}

void FileMenu::csvExportFinished(bool cancelled, const QString &failure)
{
    const QString path = csvExport_->path();
    const QString dropped = csvExport_->droppedText();
    // Called by the export's own signal: it is deleted once that returned.
    csvExport_.release()->deleteLater();
    if (csvExportProgress_)
        csvExportProgress_->deleteLater();
    const bool written = failure.isEmpty() && !cancelled;
    if (!failure.isEmpty())
        prompter_.error("Error", failure);
    else if (written)
        prompter_.log("Recording exported to " + QDir::toNativeSeparators(path));
    if (written && !dropped.isEmpty())
        prompter_.log("Recording: " + dropped);
    std::exchange(csvExportDone_, {})(written);
}

} // namespace filemenu
