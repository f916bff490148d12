// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/recording_replay.h"

#include "chart/live_plot.h"
#include "chart/recording_curves.h"
#include "live/shown_sample.h"
#include "prompts/file_dialogs.h"
#include "recording/recording_file.h"
#include "replay/replay_clock.h"
#include "replay/transport_bar.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>

namespace replay {

namespace {

const char kOpenTitle[] = "Open Recording";

// The recording folder of a spill file or of its start, chosen in the file
// dialog, which picks files only; anything else as chosen.
QString recordingPath(const QString &chosen)
{
    const QFileInfo info(chosen);
    const QString file = info.fileName();
    if (file == QLatin1String(recording::kSamplesFile) ||
        file == QLatin1String(recording::kCalibrationFile) ||
        file == QLatin1String(recording::kStartedFile))
        return info.absolutePath();
    return chosen;
}

} // namespace

RecordingReplay::RecordingReplay(QMainWindow &window, Ui_MainWindow &ui, chart::LivePlot &plot,
                                 live::ShownSample &shown, prompts::Prompter prompter)
    : QObject(&window), window_(window), ui_(ui), plot_(plot), shown_(shown),
      prompter_(std::move(prompter)), openAction_(new QAction(tr("Open Recording..."), this)),
      closeAction_(new QAction(tr("Close Recording"), this)), clock_(new ReplayClock(this)),
      bar_(new TransportBar(*clock_, *closeAction_, ui.groupBoxLog))
{
    openAction_->setObjectName("actionOpen_recording");
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    closeAction_->setObjectName("actionClose_recording");
    closeAction_->setEnabled(false);
    QAction *first = ui_.menuFile->actions().value(0);
    ui_.menuFile->insertActions(first, {openAction_, closeAction_});
    ui_.menuFile->insertSeparator(first);
    bar_->hide();
    bar_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ui_.gridLayout_13->addWidget(bar_, 1, 0);
    ui_.gridLayout_13->setRowStretch(0, 1);

    connect(openAction_, &QAction::triggered, this, &RecordingReplay::openChosen);
    connect(closeAction_, &QAction::triggered, this, &RecordingReplay::close);
    connect(&reading_, &calibration::JobSignals::finished, this, &RecordingReplay::takeRead);
    connect(clock_, &ReplayClock::positionChanged, this, &RecordingReplay::showPosition);
    connect(&plot_, &chart::LivePlot::positionPicked, clock_, &ReplayClock::seekTime);
    connect(ui_.comboBoxGraphDisplayMode, &QComboBox::currentTextChanged, this,
            &RecordingReplay::plotOtherQuantity);
}

RecordingReplay::~RecordingReplay() = default;

bool RecordingReplay::isReplaying() const
{
    return shown_.isReplaying();
}

void RecordingReplay::openChosen()
{
    if (readingNow_)
        return;
    const QString chosen = prompts::openFileName(
        &window_, tr(kOpenTitle),
        tr("Recordings (*.csv samples.bin calibration.bin started.txt);;All files (*)"));
    if (!chosen.isEmpty())
        open(recordingPath(chosen));
}

void RecordingReplay::open(const QString &path)
{
    if (readingNow_)
        return;
    readingNow_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const stream::DisplayMode mode =
        stream::graphModeFor(ui_.comboBoxGraphDisplayMode->currentText());
    reading_.start([path, mode] { return read(path, mode); });
}

// On the reading thread: the file, its samples and their curves, so the GUI
// thread only swaps them in.
RecordingReplay::Read RecordingReplay::read(const QString &path, stream::DisplayMode graphMode)
{
    recording::OpenResult opened = recording::openRecording(path);
    if (!opened.recording)
        return {opened.error, {}, {}, {}};
    Read result;
    result.name = opened.recording->name;
    result.replayed = replayedSamples(std::move(*opened.recording));
    if (result.replayed.samples.empty()) {
        result.error = tr("%1: the recording holds no samples").arg(result.name);
        return result;
    }
    result.curves =
        std::make_shared<const chart::RecordingCurves>(result.replayed.samples, graphMode);
    return result;
}

void RecordingReplay::takeRead()
{
    QApplication::restoreOverrideCursor();
    readingNow_ = false;
    std::optional<Read> read = reading_.take();
    if (!read)
        return;
    if (!read->error.isEmpty()) {
        prompter_.error(tr(kOpenTitle), read->error);
        emit readFinished(false);
        return;
    }
    begin(std::move(*read));
    emit readFinished(true);
}

void RecordingReplay::begin(Read &&read)
{
    if (!isReplaying()) {
        liveTitle_ = window_.windowTitle();
        startPlotWasEnabled_ = ui_.pushButtonStartPlot->isEnabled();
        clearPlotWasEnabled_ = ui_.pushButtonClearGraphs->isEnabled();
        setLiveControlsEnabled(false);
    }
    samples_ = std::move(read.replayed.samples);
    std::vector<double> times;
    times.reserve(samples_.size());
    for (const recording::SampleRecord &record : samples_)
        times.push_back(record.seconds);
    plot_.showRecording(read.curves);
    clock_->setTimes(std::move(times));
    window_.setWindowTitle(liveTitle_ + QStringLiteral(" — ") + read.name);
    bar_->showRecording(read.name, read.replayed.fromCalibrationMode
                                       ? tr("calibration-mode records, chip 1")
                                       : QString());
    bar_->show();
    closeAction_->setEnabled(true);
}

void RecordingReplay::showPosition()
{
    if (samples_.empty())
        return;
    const recording::SampleRecord &record = samples_[clock_->position()];
    shown_.replay(record.data);
    plot_.showPosition(record.seconds);
}

void RecordingReplay::plotOtherQuantity()
{
    if (!isReplaying())
        return;
    plot_.showRecording(std::make_shared<const chart::RecordingCurves>(
        samples_, stream::graphModeFor(ui_.comboBoxGraphDisplayMode->currentText())));
    showPosition();
}

void RecordingReplay::close()
{
    if (!isReplaying())
        return;
    samples_ = {};
    clock_->setTimes({});
    bar_->hide();
    plot_.showLive();
    shown_.live();
    window_.setWindowTitle(liveTitle_);
    setLiveControlsEnabled(true);
    closeAction_->setEnabled(false);
}

// Starting or clearing the live plot while the chart shows a recording would
// change what the operator cannot see.
void RecordingReplay::setLiveControlsEnabled(bool enabled)
{
    ui_.pushButtonStartPlot->setEnabled(enabled && startPlotWasEnabled_);
    ui_.pushButtonClearGraphs->setEnabled(enabled && clearPlotWasEnabled_);
}

} // namespace replay
