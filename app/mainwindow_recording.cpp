// The recording of the stream and its export as CSV files.
#include "mainwindow.h"

#include "filedialogs.h"
#include "filemenu/suggestedpath.h"

#include <QDateTime>
#include <QDir>
#include <QProgressDialog>

void MainWindow::startRecordingUnlessResumed()
{
    if (!resumingStream)
        recorder.start();
}

void MainWindow::on_actionto_csv_triggered()
{
    if (csvExport)
        return;
    if (recorder.isEmpty()) {
        QMessageBoxWindow(MsgInformation, "Export",
                          "Nothing has been recorded yet. Start Recv records the stream until "
                          "it stops; then it can be exported.");
        return;
    }
    const QString suggested = filemenu::suggestedPath("data", "csv", QDateTime::currentDateTime());
    const QString path =
        filedialogs::saveFileName(this, "Export Recording as CSV", "CSV files (*.csv)", suggested);
    if (path.isEmpty())
        return;

    // What was recorded up to now; a recording still running goes on.
    csvExport = std::make_unique<recording::CsvExport>(recorder.snapshot(), path);
    auto *dialog = new QProgressDialog("Exporting the recording...", "Cancel", 0,
                                       static_cast<int>(csvExport->totalRows()), this);
    dialog->setObjectName("csvExportProgress");
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(300);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    csvExportProgress = dialog;
    connect(dialog, &QProgressDialog::canceled, csvExport.get(), &recording::CsvExport::cancel);
    connect(csvExport.get(), &recording::CsvExport::progress, dialog,
            [dialog](qint64 rows) { dialog->setValue(static_cast<int>(rows)); });
    connect(csvExport.get(), &recording::CsvExport::finished, this, &MainWindow::csvExportFinished);
    csvExport->start();
}

void MainWindow::csvExportFinished(bool cancelled, const QString &failure)
{
    const QString path = csvExport->path();
    // Called by the export's own signal: it is deleted once that returned.
    csvExport.release()->deleteLater();
    if (csvExportProgress)
        csvExportProgress->deleteLater();
    if (!failure.isEmpty())
        QMessageBoxWindow(MsgCritical, "Error", failure);
    else if (!cancelled)
        emit writeLog("Recording exported to " + QDir::toNativeSeparators(path));
}
