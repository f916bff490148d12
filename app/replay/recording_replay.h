// SPDX-License-Identifier: GPL-3.0-or-later
// Replaying a recording through the window's own views: File → "Open
// Recording..." reads a table this tool exported or an unsaved recording's
// folder off the GUI thread; once it is read the chart shows it whole, the
// read-outs, the parser panel and the 3D view show its sample at the replay
// position, the title and the transport bar say "Replay", and File → "Close
// Recording" returns to live. The device link is left alone meanwhile: a
// connected module keeps streaming into the hand-off and the recording, but
// not into the views. A file that cannot be read gives one box naming it and
// its first bad line, and changes nothing. GUI thread only.
#pragma once

#include "calibration/background_job.h"
#include "prompts/prompter.h"
#include "replay/replayed_samples.h"
#include "stream/display_modes.h"

#include <QObject>

#include <memory>

class QAction;
class QMainWindow;
class Ui_MainWindow;

namespace chart {
class LivePlot;
class RecordingCurves;
} // namespace chart
namespace live {
class ShownSample;
}

namespace replay {

class ReplayClock;
class TransportBar;

class RecordingReplay : public QObject
{
    Q_OBJECT

public:
    RecordingReplay(QMainWindow &window, Ui_MainWindow &ui, chart::LivePlot &plot,
                    live::ShownSample &shown, prompts::Prompter prompter);
    ~RecordingReplay() override;

    // Asks for a file and opens it; ignored while another is being read.
    void openChosen();
    // Reads `path` off the GUI thread and replays it once read.
    void open(const QString &path);
    void close();
    bool isReplaying() const;

signals:
    // A file was read: `began` when it is replayed now, false when it was
    // refused (the box has been shown).
    void readFinished(bool began);

private:
    struct Read
    {
        QString error;
        QString name;
        ReplayedSamples replayed;
        std::shared_ptr<const chart::RecordingCurves> curves;
    };
    static Read read(const QString &path, stream::DisplayMode graphMode);
    void takeRead();
    void begin(Read &&read);
    void showPosition();
    void plotOtherQuantity();
    void setLiveControlsEnabled(bool enabled);

    QMainWindow &window_;
    Ui_MainWindow &ui_;
    chart::LivePlot &plot_;
    live::ShownSample &shown_;
    prompts::Prompter prompter_;
    QAction *openAction_;
    QAction *closeAction_;
    ReplayClock *clock_;
    TransportBar *bar_;
    calibration::BackgroundJob<Read> reading_;
    bool readingNow_ = false;
    QString liveTitle_;
    std::vector<recording::SampleRecord> samples_;
    // The live controls' enabled state, given back after the replay.
    bool startPlotWasEnabled_ = true;
    bool clearPlotWasEnabled_ = true;
};

} // namespace replay
