// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream_recording.h"

#include "connection/closed_port.h"
#include "outcome/outcome_texts.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QLabel>
#include <QStatusBar>

namespace recording {

StreamRecording::StreamRecording(Ui_MainWindow &ui, QStatusBar &statusBar,
                                 IMUserial::IMUSerial &device, prompts::Prompter prompter)
    : ui_(ui), missedLabel_(new QLabel), device_(device), prompter_(std::move(prompter)),
      recorder_({}, [this](const SpoolNotice &notice) { heard(notice); }), missed_(device)
{
    missedLabel_->setObjectName("labelMissedSamples");
    missedLabel_->setToolTip(QObject::tr("Samples the module sent during this recording that "
                                         "never arrived, as the device library counts them."));
    missedLabel_->hide();
    statusBar.addPermanentWidget(missedLabel_);
}

void StreamRecording::heard(const SpoolNotice &notice)
{
    prompter_.log(noticeLine(notice));
    if (!notice.writing)
        QMetaObject::invokeMethod(
            &guiThread_, [this, notice] { showRefusal(notice); }, Qt::QueuedConnection);
}

void StreamRecording::showRefusal(const SpoolNotice &notice)
{
    if (refusalShown_)
        return;
    refusalShown_ = true;
    prompter_.error(
        "Recording",
        QStringLiteral("The recording cannot be written to %1: %2.\n\nWhat was written so far "
                       "is kept and stays exportable. Meanwhile up to %3 of samples are "
                       "kept in memory; beyond that samples are dropped and counted. Writing "
                       "resumes by itself once the disk takes data again: free some space.")
            .arg(QDir::toNativeSeparators(notice.path), notice.reason)
            .arg(heldText(notice)));
}

void StreamRecording::setStreaming(bool on)
{
    if (!connection::deviceOpen(device_, connection::kLogged, prompter_))
        return;
    // A refused command leaves the button showing the stream as it is. The
    // recording is ready before the first sample can arrive, and ends once
    // the module has stopped sending.
    if (on) {
        if (!resuming_) {
            recorder_.start();
            refusalShown_ = false;
            missed_.restart();
        }
        if (prompter_.sendAndLog([&] { return device_.start_data_ransmission(); },
                                 outcome::kStartStream)) {
            ui_.pushButtonStartRecv->setText("Stop Recv");
        } else {
            ui_.pushButtonStartRecv->setChecked(false);
            recorder_.stop();
        }
    } else {
        if (prompter_.sendAndLog([&] { return device_.stop_data_ransmission(); },
                                 outcome::kStopStream)) {
            ui_.pushButtonStartRecv->setText("Start Recv");
            recorder_.stop();
        } else {
            ui_.pushButtonStartRecv->setChecked(true);
        }
    }
}

void StreamRecording::resume()
{
    ui_.pushButtonStartRecv->setChecked(true);
    resuming_ = true;
    setStreaming(true);
    resuming_ = false;
}

void StreamRecording::stopForExchange()
{
    // Unchecked first, so that a refused stop can show the stream still on.
    ui_.pushButtonStartRecv->setChecked(false);
    setStreaming(false);
}

void StreamRecording::showMissedSamples()
{
    missedLabel_->setVisible(ui_.pushButtonStartRecv->isChecked());
    const std::optional<std::uint64_t> missed = missed_.sinceRestart();
    missedLabel_->setText(missed ? QObject::tr("Missed samples: %1").arg(*missed)
                                 : QObject::tr("Missed samples: not reported"));
}

} // namespace recording
