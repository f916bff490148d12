// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu: the log and the chart saved or printed, the recording
// exported as CSV, and Quit.
#pragma once

#include "prompts/prompter.h"
#include "recording/csv_export.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMainWindow;
class QProgressDialog;
class Ui_MainWindow;

namespace livelog {
class LiveLog;
}
namespace recording {
class Recorder;
}

namespace filemenu {

class FileMenu : public QObject
{
    Q_OBJECT

public:
    FileMenu(QMainWindow &window, Ui_MainWindow &ui, livelog::LiveLog &log,
             recording::Recorder &recorder, prompts::Prompter prompter);

    void saveLogAs();
    void saveGraphAs();
    void printLog();
    void printGraph();
    // What was recorded up to now; a recording still running goes on. A
    // choice while an export runs is ignored.
    void exportCsv();
    // Asks where to, and exports `snapshot` there; `done(true)` once it is
    // written, `done(false)` when not (no file chosen, cancelled, failed, or
    // another export runs).
    void exportRecording(recording::RecordingSnapshot snapshot, const QDateTime &started,
                         std::function<void(bool written)> done);

private:
    void csvExportFinished(bool cancelled, const QString &failure);

    QMainWindow &window_;
    Ui_MainWindow &ui_;
    livelog::LiveLog &log_;
    recording::Recorder &recorder_;
    prompts::Prompter prompter_;
    // The export under way, if any, and its progress dialog.
    std::unique_ptr<recording::CsvExport> csvExport_;
    QPointer<QProgressDialog> csvExportProgress_;
    std::function<void(bool written)> csvExportDone_;
};

} // namespace filemenu
