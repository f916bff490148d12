// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/analysis_run.h"

#include <memory>

namespace noise {

namespace {

ChannelsRead named(ChannelsRead read, const QString &name)
{
    if (!read.recorded)
        read.error = name + QStringLiteral(": ") + read.error;
    return read;
}

} // namespace

ChannelSource csvFileSource(const QString &path)
{
    return [path] { return channelsOfFile(path); };
}

ChannelSource recordingSource(recording::RecordingSnapshot snapshot)
{
    // std::function needs a copyable target; the snapshot is read once.
    auto shared = std::make_shared<recording::RecordingSnapshot>(std::move(snapshot));
    return [shared] {
        return named(channelsOf(std::move(*shared)), QStringLiteral("The current recording"));
    };
}

AnalysisRun::AnalysisRun(ChannelSource source, QObject *parent)
    : QObject(parent), source_(std::move(source))
{
    setObjectName("noiseAnalysisRun");
}

AnalysisRun::~AnalysisRun()
{
    cancel();
    if (thread_.joinable())
        thread_.join();
}

void AnalysisRun::start()
{
    thread_ = std::thread([this] {
        RunOutcome outcome = run();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            outcome_ = std::move(outcome);
        }
        QMetaObject::invokeMethod(this, &AnalysisRun::finished, Qt::QueuedConnection);
    });
}

void AnalysisRun::cancel()
{
    cancel_ = true;
}

RunOutcome AnalysisRun::take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(outcome_, {});
}

RunOutcome AnalysisRun::run()
{
    ChannelsRead read = source_();
    if (cancel_)
        return {};
    if (!read.recorded)
        return {std::nullopt, false, read.error};
    const RecordedChannels &recorded = *read.recorded;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        read_ = {int(recorded.channels.size()),
                 double(recorded.channels.front().samples.size()) / recorded.rate, recorded.rate};
    }
    QMetaObject::invokeMethod(this, &AnalysisRun::tellChannelsRead, Qt::QueuedConnection);
    AnalysisControl control;
    control.progress = [this](double done) { reportProgress(done); };
    control.cancel = &cancel_;
    Analysis analysis = analyse(recorded.channels, recorded.rate, control);
    if (analysis.cancelled)
        return {};
    return {std::move(analysis), recorded.raw, {}};
}

void AnalysisRun::reportProgress(double done)
{
    const int percent = int(done * 100);
    int posted = percentPosted_.load();
    while (percent > posted) {
        if (percentPosted_.compare_exchange_weak(posted, percent)) {
            QMetaObject::invokeMethod(this, &AnalysisRun::tellProgress, Qt::QueuedConnection);
            return;
        }
    }
}

void AnalysisRun::tellChannelsRead()
{
    std::lock_guard<std::mutex> lock(mutex_);
    emit channelsRead(read_.channels, read_.seconds, read_.rate);
}

void AnalysisRun::tellProgress()
{
    emit progressed(percentPosted_.load());
}

} // namespace noise
