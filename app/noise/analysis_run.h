// SPDX-License-Identifier: GPL-3.0-or-later
// One noise analysis on a thread of its own: the channels read (from a CSV
// file or a snapshot of the recording), then analysed with progress and
// cancel. Reading is done there too, so that a large file never stalls the
// window. Signals arrive on the GUI thread, where every method is called; the
// run is owned by whoever started it, not by the window showing it, so that a
// window closed while a file is still read goes at once.
#pragma once

#include "noise/noise_analysis.h"
#include "noise/recording_channels.h"
#include "recording/recorder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace noise {

// Reads the channels, on the run's thread; an error names what it read.
using ChannelSource = std::function<ChannelsRead()>;

ChannelSource csvFileSource(const QString &path);
ChannelSource recordingSource(recording::RecordingSnapshot snapshot);

struct RunOutcome
{
    std::optional<Analysis> analysis;
    bool raw = false; // from calibration-mode records
    QString error;    // why there is no analysis; empty when cancelled
};

class AnalysisRun : public QObject
{
    Q_OBJECT

public:
    AnalysisRun(ChannelSource source, QObject *parent);
    // Cancels and waits for the thread.
    ~AnalysisRun() override;

    void start();
    void cancel();
    // The outcome, after `finished`.
    RunOutcome take();

signals:
    void channelsRead(int channels, double seconds, double rate);
    void progressed(int percent);
    void finished();

private:
    // What the channelsRead signal tells.
    struct ChannelsSeen
    {
        int channels = 0;
        double seconds = 0;
        double rate = 0;
    };

    RunOutcome run();
    void reportProgress(double done);
    // On the GUI thread, queued from the run's: the values cross under the
    // mutex or as an atomic, not inside the queued call.
    void tellChannelsRead();
    void tellProgress();

    ChannelSource source_;
    std::atomic<bool> cancel_{false};
    // The highest percent posted: each is posted once, however often the
    // analysis threads report.
    std::atomic<int> percentPosted_{-1};
    std::mutex mutex_;
    ChannelsSeen read_;
    RunOutcome outcome_;
    std::thread thread_;
};

} // namespace noise
